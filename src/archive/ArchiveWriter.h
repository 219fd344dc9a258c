#pragma once
// Writes one ZIP archive: the backup file with its inner archives, each holding one folder.
// Entries are gathered first and written in one go, packed on every core, under a temporary
// name beside the target that is renamed into place only when the archive is whole: no file
// under the target's name is ever incomplete, and an older file there stays until the new one
// replaces it. Inner archives are made while they are written into the archive: nothing but
// the archive itself is written to disk.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quill::archive {

struct WriteEvents {
  std::function<void(const std::string& path)> fileAdded;  // a source file was written
  std::function<void(int percent)> progress;               // of the bytes to write
  // The bytes written so far of all there are to write, and the source file being written:
  // called as each file starts and as its bytes go out.
  std::function<void(const std::string& path, std::uint64_t done, std::uint64_t total)> bytes{};
  // Asked before each file: true ends the write there, as a failure that leaves no file.
  std::function<bool()> stopped{};
  // The group whose entries are written next, and the bytes they take from their sources.
  std::function<void(int group, std::uint64_t bytes)> groupStarted{};
};

// Why a write that was stopped failed.
inline constexpr const char* kWriteStopped = "the write was stopped";

class ArchiveWriter {
 public:
  // target: the archive's path; nothing is on disk until Write.
  explicit ArchiveWriter(std::string target, WriteEvents events = {});

  // Entries may belong to a group (an item of a backup): when a source file of a group fails
  // the write, failedGroup() names the group, and DropGroup lets the archive be written again
  // without it.
  static constexpr int kNoGroup = -1;

  // One entry named by the file's bare name. False when there is no such file.
  bool AddFile(const std::string& path, int group = kNoGroup);
  // Every file below the folder, named by its path relative to the folder; folders that hold
  // nothing are kept as folder entries; files and folders whose name leaveOut accepts are left
  // out. The folder is listed when the archive is written, one folder at a time. False when
  // there is no such folder.
  bool AddFolderContents(const std::string& folder,
                         std::function<bool(std::string_view name)> leaveOut = nullptr,
                         int group = kNoGroup);
  // An entry "<name>" that is an archive of every file below the folder, as AddFolderContents
  // would add them. False when there is no such folder.
  bool AddFolderArchive(std::string name, const std::string& folder,
                        std::function<bool(std::string_view name)> leaveOut = nullptr,
                        int group = kNoGroup);
  // An entry whose bytes are given (the descriptor).
  void AddData(std::string name, std::string bytes, int group = kNoGroup);
  // Leaves out every entry of the group.
  void DropGroup(int group);

  // How many threads pack entries side by side (0, the default: one per processor).
  void SetThreads(unsigned threads) { threads_ = threads; }
  // Off: the file is not flushed to disk before it is renamed into place (for scratch
  // archives that live only as long as a run).
  void SetDurable(bool durable) { durable_ = durable; }

  // Writes the archive, every entry protected with traditional ZIP encryption (ZipCrypto)
  // when the password is not empty. A source that changes size while it is added, a write
  // error or a full disk fail the write and leave no file at the target.
  bool Write(const std::string& password);

  const std::string& target() const { return target_; }
  // Why the last call failed.
  const std::string& error() const { return error_; }
  // The group whose source file failed the last write; kNoGroup when the archive itself did.
  int failedGroup() const { return failedGroup_; }

 private:
  struct Pending {
    std::string source;  // host path of a file, or of a folder to add whole
    std::string name;    // the entry's name (files and data)
    std::string data;    // the bytes of a data entry
    std::function<bool(std::string_view)> leaveOut;  // names a folder's walk passes by
    enum class Kind { File, Folder, Archive, Data } kind = Kind::File;
    int group = kNoGroup;
  };
  // What the source files of a folder add up to, and whether their names fit the code page.
  struct Sizes {
    std::uint64_t bytes = 0;
    bool namesFit = true;
  };
  bool Fail(std::string message);
  bool Measure(std::vector<Sizes>& sizes, std::uint64_t& total, bool& namesFit);

  std::string target_;
  WriteEvents events_;
  std::vector<Pending> pending_;
  bool durable_ = true;
  unsigned threads_ = 0;
  std::string error_;
  int failedGroup_ = kNoGroup;
};

}  // namespace quill::archive

#pragma once
// The archive component: writes and reads ZIP files, the backup file itself (Zip1) and the
// inner archives that each hold one folder (Zip2). Built on libarchive; entries are
// streamed, so memory stays flat whatever the size, and sizes past 4 GiB use ZIP64.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quill::archive {

struct ZipEvents {
  std::function<void(const std::string& path)> fileAdded;
  std::function<void(const std::string& path)> fileExtracted;
  std::function<void(int percent)> writeProgress;
};

struct ZipEntryInfo {
  std::size_t index = 0;
  std::string name;  // UTF-8, '/' between folders
  std::uint64_t size = 0;
  bool encrypted = false;
  bool directory = false;
  bool regular = true;  // false for links and other special entries
};

class ZipComponent {
 public:
  explicit ZipComponent(ZipEvents events = {});
  ZipComponent(const ZipComponent&) = delete;
  ZipComponent& operator=(const ZipComponent&) = delete;

  void SetEvents(ZipEvents events) { events_ = std::move(events); }
  // Where relative paths are taken from.
  void SetWorkingFolder(const std::string& folder) { workingFolder_ = folder; }

  // ---- writing: NewZip, AppendFiles..., SetPassword + SetPasswordProtect, WriteZip, CloseZip
  // An empty archive bound to path; nothing is on disk until WriteZip.
  void NewZip(const std::string& path);
  // A file path adds one entry named by the bare file name; a folder followed by "\*.*" or
  // "/*.*" adds every file below it, named by its path relative to the folder (folders that
  // hold nothing are kept as folder entries). False when the source does not exist.
  bool AppendFiles(const std::string& pattern, bool recurse = true);
  void SetPassword(const std::string& password) { password_ = password; }
  // On: every entry is written with traditional ZIP password encryption (ZipCrypto).
  void SetPasswordProtect(bool on) { protect_ = on; }
  // Off: the written file is not flushed to disk before it is renamed into place (for scratch
  // archives that live only as long as a run).
  void SetDurable(bool durable) { durable_ = durable; }
  // Writes the archive under a temporary name beside its path and renames it into place
  // when complete. A source that changed size, a write error or a full disk fail the write
  // and leave no file at the path.
  bool WriteZip();
  // Releases the instance from its file, reading or writing.
  void CloseZip();

  // ---- reading: OpenZip, SetDecryptPassword, VerifyPassword, FindEntry, ExtractEntry, UnzipAll
  static bool IsPasswordProtected(const std::string& path);
  bool OpenZip(const std::string& path);
  void SetDecryptPassword(const std::string& password) { decryptPassword_ = password; }
  // True when the password opens the archive: a protected entry is read whole and only a
  // clean read (right check byte, clean inflate, right CRC) counts.
  bool VerifyPassword();
  std::optional<ZipEntryInfo> FindEntry(const std::string& name) const;
  const std::vector<ZipEntryInfo>& entries() const { return entries_; }
  // Writes the entry into the folder under its name.
  bool ExtractEntry(const ZipEntryInfo& entry, const std::string& folder);
  // Writes every entry below the folder with its relative path. Entries whose names climb
  // out of the folder, are absolute or lead through a link, and entries that are neither
  // files nor folders, are refused.
  bool UnzipAll(const std::string& folder);

  // Reads every entry whole with the decrypt password, writing nothing, and calls report for
  // each entry whose data does not read cleanly: a wrong or missing password, damaged
  // compressed data, a bad CRC, data cut short, or a size other than the header's. False when
  // any entry was reported or the archive could not be read to its end.
  using EntryProblem = std::function<void(const ZipEntryInfo&, const std::string& problem)>;
  bool TestAll(const EntryProblem& report);
  // The data of an entry of at most limit bytes, read whole with the decrypt password; nothing
  // when it is larger or does not read cleanly.
  std::optional<std::string> ReadEntry(const ZipEntryInfo& entry, std::size_t limit);

  // Why the last operation failed.
  const std::string& lastError() const { return lastError_; }

 private:
  struct Pending {
    std::string source;   // host path of a file, or of a folder to add whole
    std::string name;     // a file's entry name
    bool folder = false;  // source is a folder whose files are added below their relative names
    bool recurse = false;
  };

  std::string Resolve(const std::string& path) const;
  bool Extract(const std::vector<std::size_t>& indexes, const std::string& folder);
  bool Fail(std::string message);

  ZipEvents events_;
  std::string workingFolder_;
  std::string target_;
  std::vector<Pending> pending_;
  std::string password_;
  bool protect_ = false;
  bool durable_ = true;
  std::string openPath_;
  std::vector<ZipEntryInfo> entries_;
  std::string decryptPassword_;
  std::string lastError_;
};

}  // namespace quill::archive

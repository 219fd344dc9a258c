#pragma once
// Writes one ZIP file entry by entry. Files are read in order here and packed on every core
// (a small file whole, a long one in pieces that join into one deflate stream); the packed
// entries are written in the order they were added, with at most a few MiB of them in memory.
// An inner archive is written straight into its entry of the archive that holds it, so its
// bytes reach the disk once. The file is written under "<path>.partial" and renamed into
// place only by Finish, so no file under the final name is ever incomplete.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quill::archive {

class ByteSink;
class TaskPool;

class ZipWriter {
 public:
  struct Progress {
    std::uint64_t total = 0;  // bytes to write in all, 0 when unknown
    std::function<void(int percent)> report;
    std::function<void(std::uint64_t done)> bytes{};  // the source bytes read so far
  };

  // threads: how many pack entries side by side (0: one per processor).
  explicit ZipWriter(unsigned threads = 0);
  ~ZipWriter();
  ZipWriter(const ZipWriter&) = delete;
  ZipWriter& operator=(const ZipWriter&) = delete;

  // An empty password leaves the entries unprotected; otherwise every entry is written with
  // traditional ZIP password encryption, keyed with the password's code-page bytes where it
  // fits the code page. namesInCodePage: every name fits the code page and is stored in it;
  // otherwise names are stored in UTF-8 with its flag.
  bool Open(const std::filesystem::path& target, const std::string& password, Progress progress,
            bool namesInCodePage);
  // A file, named in the archive by name; inner .zip archives are stored, not compressed.
  bool AddFile(const std::filesystem::path& source, const std::string& name);
  // An entry whose bytes are given, dated now.
  bool AddData(const std::string& name, std::string_view bytes);
  // A folder entry (name ends with "/") for a folder that holds nothing.
  bool AddFolder(const std::filesystem::path& source, const std::string& name);
  // An entry that is itself a ZIP archive (unprotected inside), made by fill through the
  // writer it is handed while the entry is written: stored, dated now, its sizes after its
  // data. sourceBytes: what its files add up to, which decides whether its sizes need ZIP64.
  bool AddArchive(const std::string& name, std::uint64_t sourceBytes, bool namesInCodePage,
                  const std::function<bool(ZipWriter& inner)>& fill);
  // Completes the archive, flushes it to disk when durable, and renames it into place.
  bool Finish(bool durable);
  // Drops what was written.
  void Abandon();

  const std::string& error() const { return error_; }
  // True when the last failure was a source file's (gone, unreadable, changed while read),
  // not the archive's.
  bool sourceFailed() const { return sourceFailed_; }

 private:
  struct State;
  struct Piece;
  ZipWriter(ZipWriter& outer, ByteSink& sink, bool namesInCodePage);

  bool Fail(std::string message);
  bool FailSource(std::string message);
  bool AddWhole(const std::string& name, std::int64_t modified, std::vector<std::uint8_t> plain,
                bool compress);
  bool AddLong(const std::filesystem::path& source, std::ifstream& in, const std::string& name,
               std::int64_t modified, std::uint64_t size);
  bool Queue(Piece piece);
  bool WriteNext();
  bool WriteAll();
  bool Put(const std::string& bytes);
  bool Put(const std::uint8_t* bytes, std::size_t size);
  void Report(std::uint64_t read);

  std::unique_ptr<State> state_;
  std::string error_;
  bool sourceFailed_ = false;
};

// Visits every file below root in name order, folder by folder, and every folder that holds
// nothing; names are relative to root with "/" between folders. Only the names of one folder
// are held at a time, so memory does not grow with the number of files. Stops at the first
// visit that returns false. Files and folders whose name leaveOut accepts are passed by.
bool WalkFolder(const std::filesystem::path& root, bool recurse,
                const std::function<bool(const std::filesystem::path& path, const std::string& name,
                                         bool emptyFolder)>& visit,
                std::string& error,
                const std::function<bool(std::string_view name)>& leaveOut = nullptr);

}  // namespace quill::archive

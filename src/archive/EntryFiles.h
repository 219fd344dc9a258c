#pragma once
// Writing an archive's entries as files below the folder it is extracted into. Each file is
// made new beside its place and renamed over it only when complete, then takes its entry's
// time. Files whose data is read straight from the archive can be written on a pool, several
// at once, in runs that each open the archive once.

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <future>
#include <string>
#include <unordered_set>
#include <vector>

#include "archive/ArchiveReader.h"
#include "archive/TaskPool.h"
#include "archive/ZipDirectory.h"

namespace quill::archive {

// A file is written under its name with this added (and a number, where an entry has the
// name), and renamed when complete.
inline constexpr const char* kPartialSuffix = ".partial";

using TakePiece = std::function<bool(const char*, std::size_t)>;
// Hands an entry's data to take until it declines; the problem when the data does not read
// cleanly, "" otherwise.
using ReadInto = std::function<std::string(const TakePiece& take)>;

// What writing one entry's file did.
struct FileWrite {
  std::uint64_t bytes = 0;
  std::string problem;  // empty when the file is in place
};

// Why data of that many bytes is not the entry's; "" when it is.
std::string SizeProblem(const EntryInfo& info, std::uint64_t bytes);

// Writes the data read hands over into a new file beside path (its name with partialSuffix
// added), and renames it over path only when complete. It is made new: whatever stands at the
// partial name, a link above all, is not written through. The file then takes the time mtime
// (seconds since 1970, UTC).
FileWrite WriteEntryFile(const std::filesystem::path& path, const std::string& partialSuffix,
                         const EntryInfo& info, std::int64_t mtime, const ReadInto& read);

// Files written on a pool, several at once. Their results are taken in the order the files
// were added, on the thread that adds them, so the reports and the first failure come as
// they would one by one.
class FileWriteRuns {
 public:
  struct File {
    std::filesystem::path path;
    std::string partialSuffix;
    EntryInfo info;
    std::int64_t mtime = 0;
    ZipDirectoryEntry record;  // where its data lies in the archive
  };
  using Written = std::function<void(const File& file, std::uint64_t bytes)>;

  // archive: the file the data is read from, protected entries with password's bytes;
  // written: called with each file written.
  FileWriteRuns(std::filesystem::path archive, std::string password, unsigned threads,
                Written written);
  FileWriteRuns(const FileWriteRuns&) = delete;
  FileWriteRuns& operator=(const FileWriteRuns&) = delete;

  // Adds a file. keys: its name and its partial name, as Windows compares names; both are
  // busy until the file is written.
  void Add(File file, const std::vector<std::string>& keys);
  // True when a file not yet written holds the name key.
  bool Busy(const std::string& key) const { return busy_.count(key) != 0; }
  // Waits until at most keep runs are out, reporting the files they wrote; with keep 0, the
  // files not yet handed out are written first, and nothing is busy after.
  void Settle(std::size_t keep);
  // The first failure among the files written so far, in their order; "" while none failed.
  const std::string& failed() const { return failed_; }

 private:
  struct Run {
    std::future<std::vector<FileWrite>> result;
    std::vector<File> files;
  };
  void HandOut();

  std::filesystem::path archive_;
  std::string password_;
  Written written_;
  std::deque<Run> out_;
  std::vector<File> gathered_;
  std::uint64_t gatheredBytes_ = 0;
  std::unordered_set<std::string> busy_;
  std::string failed_;
  // Last: it goes first, finishing the runs handed out while what they report into is there.
  TaskPool pool_;
};

}  // namespace quill::archive

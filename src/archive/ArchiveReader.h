#pragma once
// Reads one ZIP archive: the backup file, or an inner archive taken out of it. The archive is
// listed once when it is opened; every later read goes through a reader of its own, so one
// opened archive serves several threads at once (inner archives are unpacked side by side).

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "archive/ZipDirectory.h"

namespace quill::archive {

struct EntryInfo {
  std::size_t index = 0;
  std::string name;  // UTF-8, '/' between folders
  std::uint64_t size = 0;
  std::int64_t modified = 0;  // seconds since 1970 (UTC), as the entry's header gives it
  bool encrypted = false;
  bool directory = false;
  bool regular = true;  // false for links and other special entries
};

// What a read did: nothing to say when it worked, why not when it did not.
struct ReadStatus {
  std::string error;
  explicit operator bool() const { return error.empty(); }
};

// Why an extraction that was stopped failed.
inline constexpr const char* kExtractStopped = "the extraction was stopped";

class ArchiveReader {
 public:
  // True when an entry of the file at path is password-protected.
  static bool IsPasswordProtected(const std::string& path);

  // Lists the archive's entries. False, with error() saying why, when the file cannot be
  // read as a ZIP archive to its end.
  bool Open(const std::string& path);
  // The password protected entries are read with ("" for none), as typed: its code-page bytes
  // are tried first, then its UTF-8 ones (CheckPassword finds which).
  void SetPassword(const std::string& password);
  // Called with the path and the size of each file written by Extract and ExtractAll.
  void OnFileExtracted(std::function<void(const std::string& path, std::uint64_t bytes)> report) {
    fileExtracted_ = std::move(report);
  }
  // Asked before each entry that Extract and ExtractAll write: true ends the extraction
  // there, as a failure (kExtractStopped).
  void StopWhen(std::function<bool()> stopped) { stopped_ = std::move(stopped); }
  // How many files Extract and ExtractAll write at once (one unless set). The reports still
  // come one at a time, in entry order, on the calling thread.
  void SetThreads(unsigned threads) { threads_ = std::max(1U, threads); }

  // True when the password opens the archive: a protected entry is read whole and only a
  // clean read (right check byte, clean inflate, right CRC) counts. Every later read uses the
  // password's bytes that opened it.
  bool CheckPassword();

  const std::string& path() const { return path_; }
  // True when an entry of the opened archive is password-protected.
  bool HoldsProtectedEntries() const;
  const std::vector<EntryInfo>& entries() const { return entries_; }
  // The first entry with exactly that name.
  const EntryInfo* Find(const std::string& name) const;

  // Called, on the extracting thread, with the bytes of the entry being written so far.
  using DataWritten = std::function<void(const EntryInfo& entry, std::uint64_t bytes)>;
  // Writes the entry into the folder under its name; written follows its data.
  ReadStatus Extract(const EntryInfo& entry, const std::string& folder,
                     const DataWritten& written = nullptr) const;
  // Writes every entry below the folder with its relative path. Entries whose names climb out
  // of the folder, are absolute or lead through a link, and entries that are neither files nor
  // folders, are refused.
  ReadStatus ExtractAll(const std::string& folder) const;
  // The data of an entry of at most limit bytes, read whole; nothing, with error saying why,
  // when it is larger or does not read cleanly.
  std::optional<std::string> Read(const EntryInfo& entry, std::size_t limit,
                                  std::string& error) const;
  // Writes the entries of indexes below the folder with their relative paths, in one pass
  // over the archive, as ExtractAll does. written follows the data of each file written on
  // the calling thread; a file written side by side is reported once, when it is complete.
  ReadStatus ExtractEntries(const std::vector<std::size_t>& indexes, const std::string& folder,
                            const DataWritten& written = nullptr) const;
  // Reads every entry whole, writing nothing, and calls report for each entry whose data does
  // not read cleanly: a wrong or missing password, damaged compressed data, a bad CRC, data cut
  // short, or a size other than the header's. Fails when any entry was reported.
  using EntryProblem = std::function<void(const EntryInfo&, const std::string& problem)>;
  ReadStatus TestAll(const EntryProblem& report) const;

  // Why Open or CheckPassword failed.
  const std::string& error() const { return error_; }

 private:
  std::string path_;
  std::vector<EntryInfo> entries_;
  std::unordered_map<std::string, std::size_t> firstByName_;
  std::string passwordText_;
  std::string password_;  // the bytes entries are read with
  std::function<void(const std::string&, std::uint64_t)> fileExtracted_;
  std::function<bool()> stopped_;
  unsigned threads_ = 1;
  std::string error_;
  // The central directory's record of each entry, in the entries' order, when it matches them
  // one for one: their data is then read straight from the file (decrypted and inflated here),
  // not through libarchive. Empty otherwise.
  std::vector<ZipDirectoryEntry> direct_;
};

}  // namespace quill::archive

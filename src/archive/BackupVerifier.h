#pragma once
// Verifying a backup file without restoring it: every entry is read whole with the password,
// the descriptor is checked against the entries, each inner archive is opened and read whole,
// and each registry export file is checked line by line the way an import reads it.

#include <cstdint>
#include <string>
#include <vector>

namespace quill::archive {

struct VerifyFinding {
  std::string entry;    // the entry concerned; empty for the backup file as a whole
  std::string message;  // a sentence that names the entry
};

struct VerifySummary {
  std::size_t entries = 0;        // entries of the backup file read
  std::uint64_t bytes = 0;        // their data, uncompressed, of the entries that read cleanly
  std::size_t innerArchives = 0;  // inner archives opened and read whole
  std::size_t innerEntries = 0;   // entries read inside them
  std::uint64_t innerBytes = 0;   // their data, uncompressed
  std::size_t registryFiles = 0;  // registry export files checked
};

struct VerifyReport {
  // No problems: a restore can read everything the descriptor names. Warnings do not count.
  bool ok = false;
  std::vector<VerifyFinding> problems;
  std::vector<VerifyFinding> warnings;
  VerifySummary summary;

  // The report as lines of text: the verdict, the summary, then problems and warnings.
  std::string Text() const;
};

struct VerifyOptions {
  // Where a private folder is made for the descriptor and for one inner archive at a time
  // while it is checked; the system's temporary folder when empty. The folder is removed
  // afterwards. An inner archive needs room for its whole size there.
  std::string scratchParent;
};

// Checks the backup file at path, read with password ("" for none). Never changes the file.
VerifyReport VerifyBackupFile(const std::string& path, const std::string& password,
                              const VerifyOptions& options = {});

}  // namespace quill::archive

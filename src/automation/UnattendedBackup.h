#pragma once
// The unattended backup: the program started with the command line of UnattendedCommand.h
// makes one backup without any window or question. This is how the weekly task runs.

#include <string>

#include "automation/UnattendedCommand.h"
#include "backup/BackupEngine.h"
#include "core/Session.h"

namespace quill::automation {

// Exit statuses of the unattended run, the same as quillstow-cli's.
inline constexpr int kBackupWritten = 0;     // every chosen item is in the backup file
inline constexpr int kBackupNotWritten = 1;  // no backup file was written
inline constexpr int kNotACommandLine = 2;
inline constexpr int kItemFailed = 3;  // the file was written, but a chosen item is not in it

class UnattendedBackup {
 public:
  UnattendedBackup(core::Session& session, backup::BackupEngine& engine);

  // Runs the backup the command line asks for. Returns the exit status; target() tells the
  // file it wrote.
  int Run(const std::string& commandLine);
  const std::string& target() const { return target_; }
  const backup::BackupOutcome& outcome() const { return outcome_; }

 private:
  // Removes the dated backups of file beyond the newest keep, and logs each.
  void RemoveOlder(const std::string& file, std::size_t keep);

  core::Session& session_;
  backup::BackupEngine& engine_;
  std::string target_;
  backup::BackupOutcome outcome_;
};

}  // namespace quill::automation

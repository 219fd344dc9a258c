#pragma once
// The unattended backup: the program started with the command line of UnattendedCommand.h
// makes one backup without any window or question. This is how the weekly task runs.

#include <ctime>
#include <functional>
#include <optional>
#include <string>

#include "automation/UnattendedCommand.h"
#include "backup/BackupEngine.h"
#include "core/SettingsFile.h"

namespace quill::automation {

// Exit statuses of the unattended run.
inline constexpr int kBackupWritten = 0;
inline constexpr int kBackupNotWritten = 1;
inline constexpr int kNotACommandLine = 2;

class UnattendedBackup {
 public:
  UnattendedBackup(backup::BackupEngine& engine, core::SettingsFile& settings,
                   core::ProcessValues values, std::function<std::tm()> clock);

  // Runs the backup the command line asks for. Returns the exit status; target() tells the
  // file it wrote.
  int Run(const std::string& commandLine);
  const std::string& target() const { return target_; }
  const backup::BackupOutcome& outcome() const { return outcome_; }

 private:
  backup::BackupEngine& engine_;
  core::SettingsFile& settings_;
  core::ProcessValues values_;
  std::function<std::tm()> clock_;
  std::string target_;
  backup::BackupOutcome outcome_;
};

}  // namespace quill::automation

#pragma once
// The unattended backup: the program started with a command line
//   sf=<user>xm=<item mask>ps=<password>bf=<backup file>
// makes one backup without any window or question. This is how the weekly task runs.

#include <ctime>
#include <functional>
#include <optional>
#include <string>

#include "app/SettingsFile.h"
#include "backup/BackupEngine.h"

namespace quill::automation {

struct UnattendedCommand {
  std::string user;      // sf: not used by the run
  std::string mask;      // xm: "1" at position n selects item n - 1
  std::string password;  // ps: empty for an unprotected backup
  std::string file;      // bf
};

// The fields are found by position: the line is split at every "=", and every piece between
// two "=" ends with the two-letter name of the next field. Nothing when there are fewer than
// five pieces or the first, the mask or the file is empty.
std::optional<UnattendedCommand> ParseUnattendedCommandLine(const std::string& commandLine);

// A raw command line without the program's own path in front: a quoted path and the blank
// after it, or an unquoted one up to the first blank.
std::string WithoutProgramPath(const std::string& raw);

// The file path without its last four characters, "-", "MM-DD-YYYY-HH-MM" and ".wlm".
std::string DatedBackupName(const std::string& file, const std::tm& local);

// Exit statuses of the unattended run.
inline constexpr int kBackupWritten = 0;
inline constexpr int kBackupNotWritten = 1;
inline constexpr int kNotACommandLine = 2;

class UnattendedBackup {
 public:
  UnattendedBackup(backup::BackupEngine& engine, app::SettingsFile& settings,
                   app::ProcessValues values, std::function<std::tm()> clock);

  // Runs the backup the command line asks for. Returns the exit status; target() tells the
  // file it wrote.
  int Run(const std::string& commandLine);
  const std::string& target() const { return target_; }
  const backup::BackupOutcome& outcome() const { return outcome_; }

 private:
  backup::BackupEngine& engine_;
  app::SettingsFile& settings_;
  app::ProcessValues values_;
  std::function<std::tm()> clock_;
  std::string target_;
  backup::BackupOutcome outcome_;
};

}  // namespace quill::automation

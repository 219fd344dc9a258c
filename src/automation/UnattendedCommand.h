#pragma once
// The command line of the unattended backup:
//   sf=<user>xm=<item mask>ps=<password>bf=<backup file>
// and the names the run gives its backup files.

#include <ctime>
#include <optional>
#include <string>

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

// The file path without its last four characters, "-", "MM-DD-YYYY-HH-MM" and ".wlm".
std::string DatedBackupName(const std::string& file, const std::tm& local);

}  // namespace quill::automation

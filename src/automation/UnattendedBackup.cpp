#include "automation/UnattendedBackup.h"

namespace quill::automation {

UnattendedBackup::UnattendedBackup(backup::BackupEngine& engine, core::SettingsFile& settings,
                                   core::ProcessValues values, std::function<std::tm()> clock)
    : engine_(engine), settings_(settings), values_(std::move(values)), clock_(std::move(clock)) {}

int UnattendedBackup::Run(const std::string& commandLine) {
  const auto command = ParseUnattendedCommandLine(commandLine);
  if (!command) return kNotACommandLine;
  // "Replace the default file" writes over the bf file, once the new one is whole; "a new
  // file each run" leaves it alone and writes a dated one.
  target_ = command->file;
  if (settings_.IsOptionSet("autobackup", "autobackupfile"))
    target_ = DatedBackupName(target_, clock_());

  backup::BackupRequest request;
  for (std::size_t i = 0; i < archive::kItemCount && i < command->mask.size(); ++i)
    request.items[i] = command->mask[i] == '1';
  request.target = target_;
  request.password = command->password;
  request.information = "Auto Backup";
  request.logUser = values_.LogonUserName;
  request.automatic = true;
  outcome_ = engine_.Run(request, {});
  return outcome_.written ? kBackupWritten : kBackupNotWritten;
}

}  // namespace quill::automation

#include "automation/UnattendedBackup.h"

#include "automation/BackupRotation.h"
#include "core/RunLog.h"
#include "platform/Text.h"

namespace quill::automation {

UnattendedBackup::UnattendedBackup(core::Session& session, backup::BackupEngine& engine)
    : session_(session), engine_(engine) {}

int UnattendedBackup::Run(const std::string& commandLine) {
  const auto command = ParseUnattendedCommandLine(commandLine);
  if (!command) return kNotACommandLine;
  // "Replace the default file" writes over the bf file, once the new one is whole; "a new
  // file each run" leaves it alone and writes a dated one.
  target_ = command->file;
  const bool dated = session_.settings().IsOn(core::settings::kNewFileEachRun);
  const std::size_t keep = dated ? KeptBackups(session_.settings()) : 0;
  if (dated) target_ = DatedBackupName(target_, session_.Now());

  backup::BackupRequest request;
  request.items = core::ItemsOfMask(command->mask);
  request.target = target_;
  request.password = command->password;
  request.information = "Auto Backup";
  // Without a profile the log still names the user the run was for.
  request.logUser = session_.profile().user;
  if (request.logUser.empty())
    request.logUser = platform::CleanValue(session_.platform().system().UserName());
  request.automatic = true;
  // Older backups are removed only for a new one that was read back whole and found sound.
  request.check = keep > 0;
  outcome_ = engine_.Run(request, {});
  if (!outcome_.written) return kBackupNotWritten;
  if (keep > 0 && outcome_.checkPassed) RemoveOlder(command->file, keep);
  // A file that does not read back whole is no sound backup.
  if (outcome_.checked && !outcome_.checkPassed) return kItemFailed;
  return outcome_.succeeded == request.items ? kBackupWritten : kItemFailed;
}

void UnattendedBackup::RemoveOlder(const std::string& file, std::size_t keep) {
  const Rotation rotation = RemoveOlderBackups(file, target_, keep);
  core::RunLog log(session_.LogPath(), [this] { return session_.TimeStamp(); });
  for (const std::string& removed : rotation.removed)
    log.Line("Removed Older Backup File " + removed, '\n');
  for (const std::string& kept : rotation.notRemoved)
    log.Line("Could not remove Older Backup File " + kept, '\n');
}

}  // namespace quill::automation

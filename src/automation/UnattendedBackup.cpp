#include "automation/UnattendedBackup.h"

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
  if (session_.settings().IsOn(core::settings::kNewFileEachRun))
    target_ = DatedBackupName(target_, session_.Now());

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
  outcome_ = engine_.Run(request, {});
  if (!outcome_.written) return kBackupNotWritten;
  return outcome_.succeeded == request.items ? kBackupWritten : kItemFailed;
}

}  // namespace quill::automation

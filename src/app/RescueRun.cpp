#include "app/RescueRun.h"

#include "backup/BackupEngine.h"
#include "core/AppTitle.h"
#include "core/Session.h"
#include "platform/rescue/RescuePlatform.h"

namespace quill::app {
using platform::MessageIcon;

RescueRun::RescueRun(platform::Prompter& prompter, std::string applicationFolder)
    : prompter_(prompter), applicationFolder_(std::move(applicationFolder)) {}

void RescueRun::Message(const std::string& text, MessageIcon icon) {
  prompter_.Message(text, icon, platform::MessageButtons::Ok, core::kAppTitle);
}

bool RescueRun::Run() {
  const std::string from = prompter_.ChooseFolder(
      "Choose the disk of the other Windows, or a copy of the user's folder (the folder that "
      "holds NTUSER.DAT)");
  if (from.empty()) return false;
  const std::vector<std::string> users = platform::rescue::RescuableUsers(from);
  if (users.empty()) {
    Message(
        from + " holds no user's registry hive: neither NTUSER.DAT nor Users\\NAME\\NTUSER.DAT.",
        MessageIcon::Error);
    return false;
  }
  std::string user = users.front();
  if (users.size() > 1) {
    const auto chosen = prompter_.ChooseOne("Rescue from another disk", "Whose profile?", users);
    if (!chosen) return false;
    user = *chosen;
  }
  const auto target = prompter_.SaveFileName("Save the rescued profile as",
                                             "Orlo Windows Live Mail Backup File(*.wlm)|*.wlm",
                                             user + "-rescued.wlm");
  if (!target || target->empty()) return false;

  const auto opening = platform::rescue::OpenRescue(from, user, applicationFolder_);
  if (!opening.platform) {
    Message(opening.problem, MessageIcon::Error);
    return false;
  }
  core::Session session(*opening.platform);
  if (!session.found().mailFound) {
    Message(session.found().problem, MessageIcon::Error);
    return false;
  }
  backup::BackupRequest request;
  request.items.fill(true);
  request.target = *target;
  request.information = "Rescued from " + from;
  request.logUser = session.profile().user;
  const backup::BackupOutcome outcome = backup::BackupEngine(session).Run(request, {});
  std::string summary;
  for (std::size_t index = 0; index < core::kItemCount; ++index)
    summary += std::string("\r\n") + core::kItems[index].backupName + "\t" +
               (outcome.succeeded[index] ? "Successed!" : "Fail!");
  if (outcome.written)
    Message("The Backup was Completed!\r\n" + summary, MessageIcon::Information);
  else
    Message("The Backup file could not be written: " + outcome.error + "\r\n" + summary,
            MessageIcon::Error);
  return outcome.written;
}

}  // namespace quill::app

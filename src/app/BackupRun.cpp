#include "app/BackupRun.h"

#include "backup/ItemBackups.h"
#include "core/AppTitle.h"
#include "core/TimeText.h"
#include "platform/Files.h"
#include "platform/SystemInfo.h"

namespace quill::app {
using platform::MessageIcon;

namespace {

// What the progress bar gains after item 0 to item 9; nothing after item 10.
constexpr std::array<int, kItemCount> kProgressSteps = {20, 10, 5, 5, 4, 4, 7, 8, 4, 4, 0};
constexpr int kProgressMax = 100;

}  // namespace

BackupRun::BackupRun(BackupEngine& engine, platform::Platform& platform,
                     core::SharedServices& services, core::SettingsFile& settings,
                     registry::RegistryKeys& reg, platform::Prompter& prompter,
                     BackupPageView& view, core::ProcessValues values,
                     std::function<std::tm()> clock, BackupFollowUps followUps)
    : engine_(engine),
      platform_(platform),
      services_(services),
      settings_(settings),
      reg_(reg),
      prompter_(prompter),
      view_(view),
      values_(std::move(values)),
      clock_(std::move(clock)),
      followUps_(std::move(followUps)) {}

void PrepareItemBoxes(const std::function<void(std::size_t, bool)>& setEnabled,
                      const std::function<void(std::size_t, bool)>& setChecked,
                      registry::RegistryKeys& reg, const std::string& mailDataFolder) {
  // Box 10 (Calendars) starts enabled and unticked and is left alone.
  for (std::size_t index = 0; index < 10; ++index) {
    setEnabled(index, true);
    setChecked(index, false);
  }
  const std::string mail = ItemBackups::kMailKey;
  setEnabled(1, !reg.GetSubKeys(mail + "\\Rules\\Mail").empty());
  setEnabled(3, !reg.GetSubKeys(mail + "\\Rules\\News").empty());
  setEnabled(7, !reg.GetSubKeys(mail + "\\signatures").empty());
  bool accounts = false;
  for (const std::string& name : ListFolder(mailDataFolder, false))
    accounts = accounts || (name.size() >= 9 && name.compare(name.size() - 9, 9, "oeaccount") == 0);
  setEnabled(2, accounts);
}

void BackupRun::PrepareBackupPage() {
  PrepareItemBoxes([this](std::size_t index, bool on) { view_.SetItemEnabled(index, on); },
                   [this](std::size_t index, bool on) { view_.SetItemChecked(index, on); }, reg_,
                   values_.MailDataFolder);

  if (settings_.IsOptionSet("backup", "automgeneratefile")) {
    targetFilePath_ =
        platform::JoinPath(settings_.BackupFolder(), "livemailback-" + view_.SourceUser() + "-" +
                                                         core::DateForFileName(clock_()) + ".wlm");
    view_.SetTargetFileText(targetFilePath_);
  }
}

void BackupRun::cmdTargetFile_Click() {
  const auto chosen = prompter_.SaveFileName("Save Windows Mail Data as",
                                             "Orlo Windows Live Mail Backup File (*.wlm)|*.wlm",
                                             "quillstow-" + core::DateForFileName(clock_()));
  if (!chosen) return;
  targetFilePath_ = *chosen;
  view_.SetTargetFileText(*chosen);
}

void BackupRun::Message(const std::string& text, MessageIcon icon) {
  prompter_.Message(text, icon, platform::MessageButtons::Ok, core::kAppTitle);
}

bool BackupRun::InputChecked() {
  if (targetFilePath_.empty()) {
    Message("Invalid backup file name.", MessageIcon::Warning);
    return false;
  }
  bool any = false;
  for (std::size_t index = 0; index < kItemCount; ++index) any = any || view_.ItemChecked(index);
  if (!any) {
    Message("Please select at least one item.", MessageIcon::Warning);
    return false;
  }
  if (view_.ProtectChecked()) {
    if (view_.Password().empty() && view_.Password2().empty()) {
      Message("Please enter Password!", MessageIcon::Error);
      return false;
    }
    if (view_.Password() != view_.Password2()) {
      Message("Incorect Password!", MessageIcon::Error);
      return false;
    }
  }
  return true;
}

bool BackupRun::RunBackup() {
  if (!InputChecked()) return false;
  if (settings_.IsOptionSet("Backup", "autocloselive")) {
    services_.KillProcessByName("wlmail.exe");
    services_.KillProcessByName("WLMAIL.EXE");
  }
  view_.SetBusy(true);
  BackupRequest request;
  for (std::size_t index = 0; index < kItemCount; ++index)
    request.items[index] = view_.ItemChecked(index);
  request.target = targetFilePath_;
  request.password = view_.ProtectChecked() ? view_.Password() : std::string();
  request.information = view_.AttachInfo();
  request.logUser = view_.SourceUser();
  request.check = settings_.IsOptionSet("General", "checkbackupfile");
  view_.ShowProgressPanel(true);
  view_.Yield();
  view_.SetProgress(view_.Progress() + 10);

  std::string summary;
  BackupObserver observer;
  observer.itemStarting = [&](std::size_t index) { view_.SetStatus(kItemStatusTexts[index]); };
  observer.yield = [&] { view_.Yield(); };
  observer.fileAdded = [&](const std::string& path) {
    view_.SetFileStatus("Adding File " + path);
    view_.Yield();
  };
  observer.writeProgress = [&](int percent) {
    view_.SetWriteStatus("Write File " + std::to_string(percent) + "%");
    view_.Yield();
  };
  std::size_t last = 0;
  const auto advanceTo = [&](std::size_t end) {
    for (; last < end; ++last)
      view_.SetProgress(std::min(kProgressMax, view_.Progress() + kProgressSteps[last]));
  };
  observer.itemFinished = [&](std::size_t index, bool succeeded) {
    summary +=
        std::string("\r\n") + kItemLogNames[index] + "\t" + (succeeded ? "Successed!" : "Fail!");
    advanceTo(index + 1);
  };
  const BackupOutcome outcome = engine_.Run(request, observer);
  if (outcome.checked)
    summary +=
        std::string("\r\nCheck Backup File\t") + (outcome.checkPassed ? "Successed!" : "Fail!");
  advanceTo(kItemCount);

  view_.SetProgress(kProgressMax);
  view_.SetBusy(false);
  view_.SetStatus("Operation complete!");
  view_.ShowProgressPanel(false);
  view_.SetProgress(0);
  view_.SetStatus("Please Waiting...");
  if (outcome.written) {
    Message("The Backup was Completed!\r\n" + summary, MessageIcon::Information);
  } else {
    // A backup file that could not be written is no completed backup.
    Message("The Backup file could not be written: " + outcome.error + "\r\n" + summary,
            MessageIcon::Error);
  }
  FollowUp(outcome.written);
  return outcome.written;
}

void BackupRun::FollowUp(bool written) {
  if (written && settings_.IsOptionSet("General", "burndvd") && followUps_.openDiscWindow) {
    const std::string name = platform::PathText(platform::HostPath(targetFilePath_).filename());
    followUps_.openDiscWindow(name, targetFilePath_);
  }
  if (settings_.IsOptionSet("General", "runliveafterbackup")) services_.StartWindowsLiveMail();
  if (written && settings_.IsOptionSet("backup", "openfolderbackup")) {
    const std::string path = targetFilePath_;
    const std::size_t cut = path.find_last_of(std::string("\\") + platform::kPathSeparator);
    platform_.processes().Start("explorer /n," + path.substr(0, cut + 1),
                                platform::WindowStyle::NormalFocus);
  }
}

}  // namespace quill::app

#include "app/BackupPage.h"

#include <algorithm>
#include <filesystem>

#include "app/RunProgress.h"
#include "backup/OfferedItems.h"
#include "backup/SpaceCheck.h"
#include "core/AppTitle.h"
#include "core/TimeText.h"
#include "platform/Files.h"
#include "platform/SystemInfo.h"

namespace quill::app {
using core::kItemCount;
using core::kItems;
using platform::MessageIcon;
namespace settings = core::settings;

namespace {

// What the progress bar gains when a backup starts; after each item it gains the item's share.
constexpr int kProgressStart = 10;
constexpr int kProgressMax = 100;

}  // namespace

BackupPage::BackupPage(core::Session& session, backup::BackupEngine& engine,
                       platform::Prompter& prompter, BackupPageView& view,
                       BackupFollowUps followUps)
    : session_(session),
      engine_(engine),
      prompter_(prompter),
      view_(view),
      followUps_(std::move(followUps)) {}

void BackupPage::Prepare() {
  const auto boxes = backup::OfferedItems(session_.keys(), session_.profile());
  for (std::size_t index = 0; index < kItemCount; ++index) {
    if (!boxes[index].set) continue;
    view_.SetItemEnabled(index, boxes[index].enabled);
    view_.SetItemChecked(index, false);
  }
  if (session_.settings().IsOn(settings::kProposeFileName)) {
    targetFile_ = platform::JoinPath(session_.settings().BackupFolder(),
                                     "livemailback-" + view_.SourceUser() + "-" +
                                         core::DateForFileName(session_.Now()) + ".wlm");
    view_.SetTargetFileText(targetFile_);
  }
}

void BackupPage::ChooseTarget() {
  const auto chosen = prompter_.SaveFileName("Save Windows Mail Data as",
                                             "Orlo Windows Live Mail Backup File (*.wlm)|*.wlm",
                                             "quillstow-" + core::DateForFileName(session_.Now()));
  if (!chosen) return;
  targetFile_ = chosenFile_ = *chosen;
  view_.SetTargetFileText(*chosen);
}

void BackupPage::Message(const std::string& text, MessageIcon icon) {
  prompter_.Message(text, icon, platform::MessageButtons::Ok, core::kAppTitle);
}

std::string BackupPage::TargetProblem(const std::string& path) const {
  const std::filesystem::path file = platform::HostPath(path);
  std::error_code error;
  if (!file.is_absolute())
    return "Please type the backup file's full path, or choose the file with Browse...";
  if (std::filesystem::is_directory(file, error))
    return path + " is a folder. Please add the name of the backup file to it.";
  if (!std::filesystem::is_directory(file.parent_path(), error))
    return "The folder " + platform::PathText(file.parent_path()) + " does not exist.";
  return "";
}

bool BackupPage::InputChecked() {
  // The file written is the one the box shows, whether typed or chosen.
  targetFile_ = view_.TargetFileText();
  if (targetFile_.empty()) {
    Message("Invalid backup file name.", MessageIcon::Warning);
    return false;
  }
  if (const std::string problem = TargetProblem(targetFile_); !problem.empty()) {
    Message(problem, MessageIcon::Warning);
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
  // The save dialog asked before it gave an existing file; a typed or proposed name is asked
  // about here.
  std::error_code error;
  if (targetFile_ != chosenFile_ &&
      std::filesystem::exists(platform::HostPath(targetFile_), error) &&
      prompter_.Message(targetFile_ + " already exists.\r\nDo you want to replace it?",
                        MessageIcon::Question, platform::MessageButtons::YesNo,
                        core::kAppTitle) != platform::MessageAnswer::Yes)
    return false;
  // A backup that may not fit is said now, before the work; the user may know better (mail
  // that compresses well) and go on.
  if (const auto problem = backup::RoomProblemFor(session_, ChosenItems(), targetFile_);
      problem && prompter_.Message(*problem + "\r\n\r\nBack up anyway?", MessageIcon::Warning,
                                   platform::MessageButtons::YesNo,
                                   core::kAppTitle) != platform::MessageAnswer::Yes)
    return false;
  return true;
}

core::ItemSet BackupPage::ChosenItems() {
  core::ItemSet items{};
  for (std::size_t index = 0; index < kItemCount; ++index) items[index] = view_.ItemChecked(index);
  return items;
}

bool BackupPage::Run() {
  if (!InputChecked()) return false;
  if (session_.settings().IsOn(settings::kCloseMailBeforeBackup)) {
    session_.services().EndProcesses("wlmail.exe");
    session_.services().EndProcesses("WLMAIL.EXE");
  }
  view_.SetBusy(true);
  backup::BackupRequest request;
  request.items = ChosenItems();
  request.roomChecked = true;
  request.target = targetFile_;
  request.password = view_.ProtectChecked() ? view_.Password() : std::string();
  request.information = view_.AttachInfo();
  request.logUser = view_.SourceUser();
  request.check = session_.settings().IsOn(settings::kCheckBackupFile);
  request.stop = stop_.Begin();
  view_.ShowProgressPanel(true);
  // Every item's share is added in item order, chosen or not, up to the item just done; the
  // bar moves with the bytes within an item, and while the backup file is written.
  std::vector<std::vector<int>> shares;
  for (const core::ItemInfo& item : kItems) shares.push_back({item.backupProgress});
  ProgressBar bar(view_, shares);
  bar.Start(kProgressStart);
  PacedLabel fileLabel([this](const std::string& text) { view_.SetFileStatus(text); });

  std::string summary;
  backup::BackupObserver observer;
  observer.itemStarting = [&](std::size_t index) { view_.SetStatus(kItems[index].backupStatus); };
  observer.progress = [&](const backup::BackupProgress& progress) {
    if (progress.item < kItemCount)
      bar.Within(progress.item, progress.done, progress.total);
    else
      bar.Closing(progress.done, progress.total);
    if (!progress.file.empty()) fileLabel.Set("Adding File " + progress.file);
  };
  observer.writeProgress = [&](int percent) {
    view_.SetWriteStatus("Write File " + std::to_string(percent) + "%");
  };
  const backup::BackupOutcome outcome = engine_.Run(request, observer);
  // An item's result is known once the file is written: a file that changed while it was
  // read fails its item then.
  for (std::size_t index = 0; index < kItemCount; ++index)
    if (request.items[index])
      summary += std::string("\r\n") + kItems[index].backupName + "\t" +
                 (outcome.succeeded[index] ? "Successed!" : "Fail!");
  if (outcome.checked)
    summary +=
        std::string("\r\nCheck Backup File\t") + (outcome.checkPassed ? "Successed!" : "Fail!");
  bar.AdvanceTo(kItemCount);

  view_.SetProgress(kProgressMax);
  view_.SetBusy(false);
  view_.SetStatus("Operation complete!");
  view_.ShowProgressPanel(false);
  view_.SetProgress(0);
  view_.SetStatus("Please Waiting...");
  if (outcome.written) {
    Message("The Backup was Completed!\r\n" + summary, MessageIcon::Information);
  } else if (outcome.cancelled) {
    // A cancelled run writes nothing: a file at the target is the one that was there before.
    std::error_code error;
    const bool earlier = std::filesystem::exists(platform::HostPath(targetFile_), error);
    Message(std::string("The Backup was cancelled: no backup file was written.") +
                (earlier ? "\r\nThe earlier file " + targetFile_ + " is as it was." : ""),
            MessageIcon::Information);
  } else {
    // A backup file that could not be written is no completed backup.
    Message("The Backup file could not be written: " + outcome.error + "\r\n" + summary,
            MessageIcon::Error);
  }
  FollowUp(outcome.written);
  return outcome.written;
}

void BackupPage::FollowUp(bool written) {
  core::SettingsFile& options = session_.settings();
  if (written && options.IsOn(settings::kWriteDiscAfterBackup) && followUps_.openDiscWindow) {
    const std::string name = platform::PathText(platform::HostPath(targetFile_).filename());
    followUps_.openDiscWindow(name, targetFile_);
  }
  if (options.IsOn(settings::kStartMailAfterBackup)) session_.services().StartMailClient();
  if (written && options.IsOn(settings::kOpenFolderAfterBackup)) {
    const std::string& path = targetFile_;
    const std::size_t cut = path.find_last_of(std::string("\\") + platform::kPathSeparator);
    session_.platform().processes().Start("explorer /n," + path.substr(0, cut + 1),
                                          platform::WindowStyle::NormalFocus);
  }
}

}  // namespace quill::app

#include "app/RestorePage.h"

#include <algorithm>

#include "app/RunProgress.h"
#include "core/AppTitle.h"
#include "core/RunLog.h"
#include "safety/SafetyBackups.h"

namespace quill::app {
using core::kItemCount;
using core::kItems;
using platform::MessageButtons;
using platform::MessageIcon;
using Result = archive::BackupOpening::Result;

namespace {

// What the progress bar gains when a restore starts; after each item, restored or not, it
// gains the item's share.
constexpr int kProgressStart = 5;
constexpr int kProgressMax = 100;

}  // namespace

RestorePage::RestorePage(core::Session& session, restore::RestoreEngine& engine,
                         platform::Prompter& prompter, RestorePageView& view)
    : session_(session), engine_(engine), prompter_(prompter), view_(view) {}

void RestorePage::Message(const std::string& text, MessageIcon icon) {
  prompter_.Message(text, icon, MessageButtons::Ok, core::kAppTitle);
}

void RestorePage::Reset() {
  source_.reset();
  for (std::size_t index = 0; index < kItemCount; ++index) {
    view_.SetItemChecked(index, false);
    view_.SetItemEnabled(index, false);
  }
  view_.SetSourceFileText("");
  view_.SetFileInfoText("");
  view_.SetBackupInfoText("");
}

RestorePage::Inspection RestorePage::ChooseSource() {
  Reset();
  const auto chosen = prompter_.OpenFileName("Restore Data from a Backup file",
                                             "Orlo Windows Live Mail Backup File(*.wlm)|*.wlm");
  if (!chosen || chosen->empty()) return Inspection::Cancelled;
  return Inspect(*chosen);
}

RestorePage::Inspection RestorePage::Reject() {
  source_.reset();
  Message("Invalid backup file", MessageIcon::Error);
  invalid_ = true;
  return Inspection::Invalid;
}

RestorePage::Inspection RestorePage::Inspect(const std::string& path) {
  Reset();
  archive::BackupOpening opening = archive::OpenBackupFile(path, [this] {
    // A cancelled prompt leaves the password as it was.
    if (const auto typed = prompter_.AskPassword()) lastPassword_ = *typed;
    return lastPassword_;
  });
  if (opening.result == Result::WrongPassword) {
    prompter_.Message("Incorect Password or Invalid backup file", MessageIcon::Information,
                      MessageButtons::Ok, core::kAppTitle);
    return Inspection::WrongPassword;
  }
  view_.SetSourceFileText(path);
  if (opening.result == Result::NoDescriptor) return Reject();
  const archive::Descriptor& descriptor = opening.backup->descriptor;
  view_.SetBackupInfoText("Computer:" + descriptor.computer + "\r\nUser:" + descriptor.user +
                          "\r\nDate:" + descriptor.time);
  view_.SetFileInfoText(descriptor.information);
  if (opening.result == Result::InvalidFlags) return Reject();
  for (std::size_t index = 0; index < kItemCount; ++index)
    view_.SetItemEnabled(index, descriptor.flags[index] == '1');
  source_ = std::move(opening.backup);
  invalid_ = false;
  return Inspection::Accepted;
}

bool RestorePage::Confirm() {
  return prompter_.Message(kRestoreQuestion, MessageIcon::Information, MessageButtons::OkCancel,
                           core::kAppTitle) == platform::MessageAnswer::Ok;
}

RestorePageRun RestorePage::UndoLastRestore() {
  safety::SafetyBackups safety(session_);
  const std::string latest = safety.Latest();
  if (latest.empty()) {
    Message("There is no restore to undo.", MessageIcon::Information);
    return {};
  }
  if (prompter_.Message("Undo the last restore?\r\n\r\nWhat it put in place will be replaced "
                        "with what the profile held before it, as saved in " +
                            latest + ".",
                        MessageIcon::Question, MessageButtons::YesNo,
                        core::kAppTitle) != platform::MessageAnswer::Yes)
    return {};
  if (Inspect(latest) != Inspection::Accepted) return {};
  for (std::size_t index = 0; index < kItemCount; ++index)
    view_.SetItemChecked(index, source_->descriptor.Holds(index));
  return Restore(true);
}

RestorePageRun RestorePage::Restore(bool undo) {
  RestorePageRun run;
  if (invalid_) {
    Message("Invalid backup file.", MessageIcon::Error);
    return run;
  }
  restore::RestoreRequest request;
  bool any = false;
  for (std::size_t index = 0; index < kItemCount; ++index) {
    request.items[index] = view_.ItemChecked(index);
    any = any || request.items[index];
  }
  if (!any || source_ == nullptr) {
    Message("Please select at least one item.", MessageIcon::Warning);
    return run;
  }
  if (!session_.found().mailFound) {
    Message(core::ProfileDiscovery::kNoStoreForRestore, MessageIcon::Error);
    return run;
  }
  request.logUser = view_.TargetUser();
  request.replaceMerged = undo;

  view_.SetBusy(true);
  // What the restore replaces is saved first, so that "Undo Last Restore" can put it back;
  // without that copy the restore does not start.
  if (!undo) view_.SetStatus("Saving what the restore replaces...");
  const safety::SafetyBackup taken =
      undo ? safety::SafetyBackup{true, "", ""}
           : safety::SafetyBackups(session_).Take(*source_, request.items);
  if (!taken.written) {
    view_.SetBusy(false);
    view_.SetStatus("Please Waiting...");
    Message(safety::NotStartedText(taken), MessageIcon::Error);
    return run;
  }
  run.ran = true;
  view_.SetWriteStatus("");
  view_.SetFileStatus("");
  view_.ShowProgressPanel(true);
  request.stop = stop_.Begin();
  // Every item's share is added in item order, restored or not; within an item the bar moves
  // with the bytes of its entries.
  std::vector<std::vector<int>> steps;
  for (const core::ItemInfo& item : kItems) {
    steps.emplace_back();
    for (int step : item.restoreProgress)
      if (step > 0) steps.back().push_back(step);
  }
  ProgressBar bar(view_, steps);
  bar.Start(kProgressStart);
  PacedLabel fileLabel([this](const std::string& text) { view_.SetFileStatus(text); });
  restore::RestoreObserver observer;
  observer.itemStarting = [&](std::size_t index) {
    bar.AdvanceTo(index);
    view_.SetStatus(kItems[index].restoreStatus);
  };
  observer.progress = [&](const restore::RestoreProgress& progress) {
    bar.Within(progress.item, progress.done, progress.total);
    // Registry items write keys, not files.
    if (!progress.file.empty() && kItems[progress.item].kind != core::ItemKind::Registry)
      fileLabel.Set("Unzip File " + progress.file);
  };
  observer.itemFinished = [&](std::size_t index, bool restored, const std::string& error) {
    run.summary += std::string("\r\n") + kItems[index].restoreName + "\t" +
                   (restored ? "Successed!" : "Fail!");
    // Why, on a line of its own below the item's.
    if (!restored && !error.empty()) run.summary += "\r\n\t" + core::OneLine(error);
    bar.AdvanceTo(index + 1);
  };
  run.outcome = engine_.Run(*source_, request, observer);
  bar.AdvanceTo(kItemCount);

  view_.SetBusy(false);
  view_.SetProgress(kProgressMax);
  view_.SetStatus("Operation complete!");
  view_.ShowProgressPanel(false);
  view_.SetProgress(0);
  view_.SetStatus("Please Waiting...");
  // What the undone restore had added, that the profile did not hold before it, goes again.
  std::string notRemoved;
  if (undo && !run.outcome.cancelled)
    for (const std::string& path :
         safety::SafetyBackups(session_).RemoveAdded(source_->reader.path()))
      notRemoved += "\r\nCould not remove " + path;
  if (undo && !run.outcome.cancelled)
    Message((run.outcome.AllRestored() && notRemoved.empty() ? "The last restore was undone.\r\n"
                                                             : "The last restore was undone in "
                                                               "part.\r\n") +
                run.summary + notRemoved,
            run.outcome.AllRestored() && notRemoved.empty() ? MessageIcon::Information
                                                            : MessageIcon::Error);
  else if (run.outcome.cancelled)
    Message("The Restore was cancelled: each folder is either as it was or wholly restored.\r\n" +
                run.summary,
            MessageIcon::Information);
  else
    Message("The Restore was Completed!\r\n" + run.summary, MessageIcon::Information);
  if (session_.settings().IsOn(core::settings::kStartMailAfterRestore))
    session_.services().StartMailClient();
  return run;
}

}  // namespace quill::app

#include "app/RestoreRun.h"

#include <filesystem>

#include "core/AppTitle.h"
#include "core/BackupLog.h"
#include "platform/Files.h"

namespace quill::app {
using platform::MessageButtons;
using platform::MessageIcon;

namespace {

// What the progress bar gains after each item, whether or not it was restored (the mail
// rules in two steps); after the last one the bar is set to its maximum.
constexpr std::array<std::array<int, 2>, archive::kItemCount> kProgressSteps = {
    {{15, 0}, {10, 4}, {10, 0}, {5, 0}, {5, 0}, {5, 0}, {5, 0}, {5, 0}, {5, 0}, {5, 0}, {0, 0}}};
constexpr int kProgressStart = 5;
constexpr int kProgressMax = 100;

}  // namespace

RestoreRun::RestoreRun(ItemRestores& items, core::SharedServices& services,
                       core::SettingsFile& settings, platform::Prompter& prompter,
                       RestorePageView& view, std::function<std::string()> timeStamp,
                       std::string descriptorPath)
    : items_(items),
      services_(services),
      settings_(settings),
      prompter_(prompter),
      view_(view),
      timeStamp_(std::move(timeStamp)),
      descriptorPath_(std::move(descriptorPath)) {}

bool RestoreRun::Confirm() {
  return prompter_.Message(kRestoreQuestion, MessageIcon::Information, MessageButtons::OkCancel,
                           core::kAppTitle) == platform::MessageAnswer::Ok;
}

RestoreOutcome RestoreRun::Run(const RestoreSource& source) {
  RestoreOutcome outcome;
  if (source.invalid) {
    prompter_.Message("Invalid backup file.", MessageIcon::Error, MessageButtons::Ok,
                      core::kAppTitle);
    return outcome;
  }
  bool any = false;
  for (std::size_t index = 0; index < archive::kItemCount; ++index)
    any = any || view_.ItemChecked(index);
  if (!any) {
    prompter_.Message("Please select at least one item.", MessageIcon::Warning, MessageButtons::Ok,
                      core::kAppTitle);
    return outcome;
  }
  outcome.ran = true;
  const std::string user = view_.TargetUser();
  core::BackupLog log(services_.LogPath(), timeStamp_);
  log.Separator();
  log.Line("Start Retore Data to User Profile " + user, '\n');
  log.Line("Restore File is " + source.sourceName, '\n');

  items_.SetArchive(source.sourceName, source.password);
  view_.SetBusy(true);
  view_.SetWriteStatus("");
  view_.SetFileStatus("");
  view_.ShowProgressPanel(true);
  view_.SetProgress(view_.Progress() + kProgressStart);
  view_.Yield();
  for (std::size_t index = 0; index < archive::kItemCount; ++index) {
    if (view_.ItemChecked(index) && source.Holds(index)) {
      view_.SetStatus(kRestoreStatusTexts[index]);
      const bool ok = items_.Run(index, source.entries[index]);
      outcome.attempted[index] = true;
      outcome.restored[index] = ok;
      outcome.summary +=
          std::string("\r\n") + kRestoreItemNames[index] + "\t" + (ok ? "Successed!" : "Fail!");
      log.Item(kRestoreItemNames[index], ok);
    }
    for (int step : kProgressSteps[index])
      if (step > 0) view_.SetProgress(std::min(kProgressMax, view_.Progress() + step));
  }
  view_.SetBusy(false);
  view_.SetProgress(kProgressMax);
  view_.SetStatus("Operation complete!");
  view_.ShowProgressPanel(false);
  view_.SetProgress(0);
  log.Line("Restore Data to User Profile " + user + " was Completed!", '\r');
  view_.SetStatus("Please Waiting...");
  std::error_code error;
  std::filesystem::remove(platform::HostPath(descriptorPath_), error);
  prompter_.Message("The Restore was Completed!\r\n" + outcome.summary, MessageIcon::Information,
                    MessageButtons::Ok, core::kAppTitle);
  if (settings_.IsOptionSet("General", "runliveafterrestore")) services_.StartWindowsLiveMail();
  return outcome;
}

}  // namespace quill::app

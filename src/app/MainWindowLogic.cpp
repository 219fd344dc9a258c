#include "app/MainWindowLogic.h"

#include "core/AppTitle.h"

namespace quill::app {
using core::kItemCount;

MainWindowLogic::MainWindowLogic(MainWindowView& window, BackupPageView& backupView,
                                 RestorePageView& restoreView, LogListView& log,
                                 core::SharedServices& services, platform::Prompter& prompter,
                                 BackupPage& backupPage, RestorePage& restorePage,
                                 MainWindowCommands commands)
    : window_(window),
      backupView_(backupView),
      restoreView_(restoreView),
      log_(log),
      services_(services),
      prompter_(prompter),
      backupPage_(backupPage),
      restorePage_(restorePage),
      commands_(std::move(commands)) {}

void MainWindowLogic::RunPageAction() {
  switch (window_.CurrentPage()) {
    case Page::Backup:
      backupPage_.Run();
      break;
    case Page::Restore:
      if (restorePage_.Confirm()) restorePage_.Run();
      break;
    case Page::Logs:
      OpenLog();
      break;
    case Page::About:
      OpenHelp();
      break;
  }
}

void MainWindowLogic::CancelRun() {
  backupPage_.Cancel();
  restorePage_.Cancel();
}

void MainWindowLogic::OpenHelp() {
  if (services_.OpenHelp()) return;
  prompter_.Message("The help could not be opened: " + services_.HelpPath() +
                        " is missing, or no program to show it was found.",
                    platform::MessageIcon::Warning, platform::MessageButtons::Ok, core::kAppTitle);
}

void MainWindowLogic::OpenLog() {
  if (services_.OpenLogInEditor()) return;
  prompter_.Message(
      "The log could not be opened: no program to show it was found. The log is "
      "the file " +
          services_.LogPath() + ".",
      platform::MessageIcon::Warning, platform::MessageButtons::Ok, core::kAppTitle);
}

void MainWindowLogic::PageChanged() {
  switch (window_.CurrentPage()) {
    case Page::Backup:
      window_.SetActionCaption("Backup Now");
      break;
    case Page::Restore:
      window_.SetActionCaption("Restore Now");
      break;
    case Page::Logs:
      window_.SetActionCaption("Show Log File");
      log_.Clear();
      for (const std::string& line : services_.LogLines()) log_.AddEntry(line);
      log_.SelectLast();
      break;
    case Page::About:
      window_.SetActionCaption("Help");
      window_.SetAboutProductText(kMainCaption);
      break;
  }
}

void MainWindowLogic::OpenTaskScheduler() {
  if (commands_.taskScheduler) commands_.taskScheduler();
}

void MainWindowLogic::OpenSettings() {
  if (commands_.settings) commands_.settings();
}

void MainWindowLogic::OpenDiscWindow() {
  if (commands_.backupToDisc) commands_.backupToDisc();
}

void MainWindowLogic::SelectAllItems(Page page) {
  for (std::size_t index = 0; index < kItemCount; ++index) {
    // A disabled box keeps its state.
    if (page == Page::Backup && backupView_.ItemEnabled(index))
      backupView_.SetItemChecked(index, true);
    if (page == Page::Restore && restoreView_.ItemEnabled(index))
      restoreView_.SetItemChecked(index, true);
  }
}

void MainWindowLogic::DeselectAllItems(Page page) {
  for (std::size_t index = 0; index < kItemCount; ++index) {
    if (page == Page::Backup) backupView_.SetItemChecked(index, false);
    if (page == Page::Restore) restoreView_.SetItemChecked(index, false);
  }
}

void MainWindowLogic::Quit() {
  restorePage_.Close();
  window_.CloseAll();
}

}  // namespace quill::app

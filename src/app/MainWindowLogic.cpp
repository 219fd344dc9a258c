#include "app/MainWindowLogic.h"

#include <filesystem>

#include "platform/Files.h"

namespace quill::app {

MainWindowLogic::MainWindowLogic(MainWindowView& window, app::BackupPageView& backupPage,
                                 app::RestorePageView& restorePage, LogListView& log,
                                 SharedServices& services, platform::Prompter& prompter,
                                 app::BackupRun& backupRun, app::BackupInspection& inspection,
                                 app::RestoreRun& restoreRun, std::string descriptorPath,
                                 MainWindowCommands commands)
    : window_(window),
      backupPage_(backupPage),
      restorePage_(restorePage),
      log_(log),
      services_(services),
      prompter_(prompter),
      backupRun_(backupRun),
      inspection_(inspection),
      restoreRun_(restoreRun),
      descriptorPath_(std::move(descriptorPath)),
      commands_(std::move(commands)) {}

void MainWindowLogic::cmdApply_Click() {
  switch (window_.CurrentPage()) {
    case Page::Backup:
      backupRun_.RunBackup();
      break;
    case Page::Restore:
      if (restoreRun_.Confirm()) restoreRun_.Run(inspection_.source());
      break;
    case Page::Logs:
      services_.OpenLogInEditor();
      break;
    case Page::About:
      services_.OpenHelp();
      break;
  }
}

void MainWindowLogic::SSTab1_Click() {
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

void MainWindowLogic::TaskScheduler_Click() {
  if (commands_.taskScheduler) commands_.taskScheduler();
}

void MainWindowLogic::settings_Click() {
  if (commands_.settings) commands_.settings();
}

void MainWindowLogic::backuptocd_Click() {
  if (commands_.backupToDisc) commands_.backupToDisc();
}

void MainWindowLogic::SelectAllItems(Page page) {
  for (std::size_t index = 0; index < archive::kItemCount; ++index) {
    // A disabled box keeps its state.
    if (page == Page::Backup && backupPage_.ItemEnabled(index))
      backupPage_.SetItemChecked(index, true);
    if (page == Page::Restore && restorePage_.ItemEnabled(index))
      restorePage_.SetItemChecked(index, true);
  }
}

void MainWindowLogic::DeselectAllItems(Page page) {
  for (std::size_t index = 0; index < archive::kItemCount; ++index) {
    if (page == Page::Backup) backupPage_.SetItemChecked(index, false);
    if (page == Page::Restore) restorePage_.SetItemChecked(index, false);
  }
}

void MainWindowLogic::quit_Click() {
  inspection_.Close();
  std::error_code error;
  std::filesystem::remove(platform::HostPath(descriptorPath_), error);
  window_.CloseAll();
}

}  // namespace quill::app

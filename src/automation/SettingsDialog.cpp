#include "automation/SettingsDialog.h"

#include <filesystem>

#include "core/AppTitle.h"
#include "core/SharedServices.h"
#include "platform/Files.h"

namespace quill::automation {

SettingsDialog::SettingsDialog(SettingsView& view, core::SettingsFile& settings,
                               AutoStart& autoStart, platform::Prompter& prompter,
                               std::string applicationFolder)
    : view_(view),
      settings_(settings),
      autoStart_(autoStart),
      prompter_(prompter),
      applicationFolder_(std::move(applicationFolder)) {}

void SettingsDialog::Form_Load() {
  const std::string file = settings_.Path();
  const std::string folder = settings_.GetSettingValue(file, "Backup", "backupfolder");
  view_.SetFolderText(folder.empty() || core::IsNumberZero(folder) ? applicationFolder_ : folder);
  for (std::size_t index = 0; index < kSettingBoxes.size(); ++index)
    view_.SetBoxChecked(
        index, settings_.IsOptionSet(kSettingBoxes[index].section, kSettingBoxes[index].key));
  view_.SetNewFileEachRun(settings_.IsOptionSet("autobackup", "autobackupfile"));
}

void SettingsDialog::Command1_Click() {
  // A cancelled browser empties the box.
  view_.SetFolderText(prompter_.ChooseFolder(core::kAppTitle));
}

void SettingsDialog::Command2_Click() {
  std::string folder = core::CleanValue(view_.FolderText());
  if (folder.empty()) {
    prompter_.Message("Please enter backup folder.", platform::MessageIcon::Error,
                      platform::MessageButtons::Ok, core::kAppTitle);
    return;
  }
  std::error_code error;
  if (!std::filesystem::is_directory(platform::HostPath(folder), error)) {
    folder = applicationFolder_;
    view_.SetFolderText(folder);
  }
  const std::string file = settings_.Path();
  settings_.SaveSettingValue(file, "Backup", "backupfolder", folder);
  for (std::size_t index = 0; index < kSettingBoxes.size(); ++index)
    settings_.SaveSettingValue(file, kSettingBoxes[index].section, kSettingBoxes[index].key,
                               view_.BoxChecked(index) ? "1" : "0");
  settings_.SaveSettingValue(file, "autobackup", "autobackupfile",
                             view_.NewFileEachRun() ? "1" : "0");
  if (view_.BoxChecked(0))
    autoStart_.Enable();
  else
    autoStart_.Disable();
  view_.Close();
}

}  // namespace quill::automation

#include "automation/SettingsDialog.h"

#include <filesystem>

#include "automation/BackupRotation.h"
#include "core/AppTitle.h"
#include "platform/Files.h"
#include "platform/Text.h"

namespace quill::automation {

SettingsDialog::SettingsDialog(SettingsView& view, core::SettingsFile& settings,
                               AutoStart& autoStart, platform::Prompter& prompter,
                               std::string applicationFolder)
    : view_(view),
      settings_(settings),
      autoStart_(autoStart),
      prompter_(prompter),
      applicationFolder_(std::move(applicationFolder)) {}

void SettingsDialog::Load() {
  const std::string folder = settings_.Value(core::settings::kBackupFolder);
  view_.SetFolderText(folder.empty() || core::IsNumberZero(folder) ? applicationFolder_ : folder);
  for (std::size_t index = 0; index < kSettingBoxes.size(); ++index)
    view_.SetBoxChecked(index, settings_.IsOn(kSettingBoxes[index].setting));
  view_.SetNewFileEachRun(settings_.IsOn(core::settings::kNewFileEachRun));
  view_.SetKeptBackups(automation::KeptBackups(settings_));
}

void SettingsDialog::ChooseFolder() {
  // A cancelled browser empties the box.
  view_.SetFolderText(prompter_.ChooseFolder(core::kAppTitle));
}

void SettingsDialog::Apply() {
  std::string folder = platform::CleanValue(view_.FolderText());
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
  settings_.Save(core::settings::kBackupFolder, folder);
  for (std::size_t index = 0; index < kSettingBoxes.size(); ++index)
    settings_.Save(kSettingBoxes[index].setting, view_.BoxChecked(index) ? "1" : "0");
  settings_.Save(core::settings::kNewFileEachRun, view_.NewFileEachRun() ? "1" : "0");
  settings_.Save(core::settings::kKeptBackups, std::to_string(view_.KeptBackups()));
  if (view_.BoxChecked(0))
    autoStart_.Enable();
  else
    autoStart_.Disable();
  view_.Close();
}

}  // namespace quill::automation

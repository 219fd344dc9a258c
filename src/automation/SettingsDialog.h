#pragma once
// Frmsettings, "Settings": the options of settings.dat as check boxes, two option buttons
// and a folder box; OK writes them all back and sets or removes the start at log-on.

#include <array>
#include <string>

#include "automation/AutoStart.h"
#include "core/SettingsFile.h"
#include "platform/Prompter.h"

namespace quill::automation {

struct SettingBox {
  const char* control;  // the check box's name
  const char* caption;
  core::Setting setting;
};

// The eight check boxes, in the order OK writes their keys.
inline constexpr std::array<SettingBox, 8> kSettingBoxes = {{
    {"Check1", "Start software on Windows start up", core::settings::kStartOnWindows},
    {"Check3", "Check backup file after backup procedure", core::settings::kCheckBackupFile},
    {"Check6", "Run Windows Live Mail after backup finish", core::settings::kStartMailAfterBackup},
    {"Check7", "Run Windows Live Mail after restore finish",
     core::settings::kStartMailAfterRestore},
    {"Check2", "Burn Backup file to CD/DVD after backup finish",
     core::settings::kWriteDiscAfterBackup},
    {"Check4", "If Windows Live Mail locks a file then automatically close software",
     core::settings::kCloseMailBeforeBackup},
    {"Check5", "Open folder after backup finishe", core::settings::kOpenFolderAfterBackup},
    {"Check8", "Automatically generate backup file name", core::settings::kProposeFileName},
}};

class SettingsView {
 public:
  virtual ~SettingsView() = default;
  // By the index of kSettingBoxes.
  virtual void SetBoxChecked(std::size_t index, bool checked) = 0;
  virtual bool BoxChecked(std::size_t index) = 0;
  virtual void SetFolderText(const std::string& text) = 0;  // Text1
  virtual std::string FolderText() = 0;
  // Option2 "Auto Backup to a new file"; Option1 otherwise.
  virtual void SetNewFileEachRun(bool selected) = 0;
  virtual bool NewFileEachRun() = 0;
  // How many dated backups the scheduled run keeps (spnKeepBackups); 0 keeps all.
  virtual void SetKeptBackups(std::size_t count) = 0;
  virtual std::size_t KeptBackups() = 0;
  virtual void Close() = 0;
};

class SettingsDialog {
 public:
  SettingsDialog(SettingsView& view, core::SettingsFile& settings, AutoStart& autoStart,
                 platform::Prompter& prompter, std::string applicationFolder);

  // The dialog opens: every option as settings.dat holds it.
  void Load();
  void ChooseFolder();              // Command1, the folder button
  void Apply();                     // Command2, OK: every option written back
  void Cancel() { view_.Close(); }  // Command3

 private:
  SettingsView& view_;
  core::SettingsFile& settings_;
  AutoStart& autoStart_;
  platform::Prompter& prompter_;
  std::string applicationFolder_;
};

}  // namespace quill::automation

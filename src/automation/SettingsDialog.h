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
  const char* section;
  const char* key;
};

// The eight check boxes, in the order OK writes their keys.
inline constexpr std::array<SettingBox, 8> kSettingBoxes = {{
    {"Check1", "Start software on Windows start up", "General", "startonwindows"},
    {"Check3", "Check backup file after backup procedure", "General", "checkbackupfile"},
    {"Check6", "Run Windows Live Mail after backup finish", "General", "runliveafterbackup"},
    {"Check7", "Run Windows Live Mail after restore finish", "General", "runliveafterrestore"},
    {"Check2", "Burn Backup file to CD/DVD after backup finish", "General", "burndvd"},
    {"Check4", "If Windows Live Mail locks a file then automatically close software", "Backup",
     "autocloselive"},
    {"Check5", "Open folder after backup finishe", "Backup", "openfolderbackup"},
    {"Check8", "Automatically generate backup file name", "Backup", "automgeneratefile"},
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
  virtual void Close() = 0;
};

class SettingsDialog {
 public:
  SettingsDialog(SettingsView& view, core::SettingsFile& settings, AutoStart& autoStart,
                 platform::Prompter& prompter, std::string applicationFolder);

  void Form_Load();
  void Command1_Click();                    // the folder button
  void Command2_Click();                    // OK
  void Command3_Click() { view_.Close(); }  // Cancel

 private:
  SettingsView& view_;
  core::SettingsFile& settings_;
  AutoStart& autoStart_;
  platform::Prompter& prompter_;
  std::string applicationFolder_;
};

}  // namespace quill::automation

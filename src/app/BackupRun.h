#pragma once
// The backup page's logic: which items can be chosen, the proposed file name, the file
// chooser, and the backup run with its checks, progress, log, summary and follow-up actions.

#include <array>
#include <ctime>
#include <functional>
#include <string>

#include "app/BackupPageView.h"
#include "backup/BackupEngine.h"
#include "backup/ItemBackups.h"
#include "core/SettingsFile.h"
#include "core/SharedServices.h"
#include "platform/Prompter.h"

namespace quill::app {
using archive::kItemCount;
using backup::BackupEngine;
using backup::BackupObserver;
using backup::BackupOutcome;
using backup::BackupRequest;
using backup::ItemBackups;
using backup::kItemLogNames;
using backup::ListFolder;

// The status texts of the items, by index.
inline constexpr std::array<const char*, kItemCount> kItemStatusTexts = {
    "Copying Email Mail Accounts & Messages/News Accounts & Messages...",
    "Copying Mail Rules...",
    "Copying LDAP Accounts...",
    "Copying News Rules...",
    "Copying Junk Mail Settings...",
    "Copying Contacts...",
    "Copying Windows Live Mail Database...",
    "Copying Signatures...",
    "Copying Stationeries...",
    "Copying Settings...",
    "Copying Calendars..."};

// What happens after a backup that is not this page's business.
struct BackupFollowUps {
  // Opens the disc window with the new backup file (its name and its full path) and waits
  // for it to close.
  std::function<void(const std::string& name, const std::string& path)> openDiscWindow;
};

// The item boxes by what the profile holds: enabled and cleared, then the mail rules, news
// rules and signatures boxes disabled where their keys have no subkeys, and the LDAP box
// where no file of the mail store ends in "oeaccount". The Calendars box is left alone.
void PrepareItemBoxes(const std::function<void(std::size_t, bool)>& setEnabled,
                      const std::function<void(std::size_t, bool)>& setChecked,
                      registry::RegistryKeys& reg, const std::string& mailDataFolder);

class BackupRun {
 public:
  BackupRun(BackupEngine& engine, platform::Platform& platform, core::SharedServices& services,
            core::SettingsFile& settings, registry::RegistryKeys& reg, platform::Prompter& prompter,
            BackupPageView& view, core::ProcessValues values, std::function<std::tm()> clock,
            BackupFollowUps followUps = {});

  void PrepareBackupPage();
  void cmdTargetFile_Click();
  // True when the backup file was written.
  bool RunBackup();

  const std::string& TargetFilePath() const { return targetFilePath_; }
  void SetTargetFilePath(const std::string& path) { targetFilePath_ = path; }

 private:
  bool InputChecked();
  void Message(const std::string& text, platform::MessageIcon icon);
  void FollowUp(bool written);

  BackupEngine& engine_;
  platform::Platform& platform_;
  core::SharedServices& services_;
  core::SettingsFile& settings_;
  registry::RegistryKeys& reg_;
  platform::Prompter& prompter_;
  BackupPageView& view_;
  core::ProcessValues values_;
  std::function<std::tm()> clock_;
  BackupFollowUps followUps_;
  std::string targetFilePath_;
};

}  // namespace quill::app

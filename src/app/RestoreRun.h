#pragma once
// The restore run: the ticked items of the inspected backup file go back into the profile,
// in item order, with status texts, progress, log lines and a summary.

#include <array>
#include <functional>
#include <string>

#include "app/BackupInspection.h"
#include "app/RestorePageView.h"
#include "archive/Descriptor.h"
#include "core/SettingsFile.h"
#include "core/SharedServices.h"
#include "platform/Prompter.h"
#include "restore/ItemRestores.h"

namespace quill::app {
using restore::ItemRestores;

inline constexpr std::array<const char*, archive::kItemCount> kRestoreStatusTexts = {
    "Copying Mail Accounts & Messages/News Accounts & Messages...",
    "Copying Mail Rules...",
    "Copying Ldap Accounts...",
    "Copying News Rules...",
    "Copying Junk Mail Settings...",
    "Copying Contacts...",
    "Copying Windows Live Mail Database...",
    "Copying Signatures...",
    "Copying Stationeries...",
    "Copying Settings...",
    "Copying Calendars..."};

inline constexpr std::array<const char*, archive::kItemCount> kRestoreItemNames = {
    "Restore Mail Accounts & Messages/News Accounts & Messages",
    "Restore Mail Rules",
    "Restore Ldap Accounts",
    "Restore News Rules",
    "Restore Junk Mail Settings",
    "Restore Contacts",
    "Restore Windows Live Mail Database",
    "Restore Signatures",
    "Restore Stationeries",
    "Restore Settings",
    "Restore Calendars"};

// The question the action button asks before a restore.
inline constexpr const char* kRestoreQuestion =
    "Your current Email and News messages will be replaced with the messages from the selected "
    "backup file.\r\n\r\nDo you want to countinue?";

struct RestoreOutcome {
  bool ran = false;  // false when a check stopped the run
  std::array<bool, archive::kItemCount> restored{};
  std::array<bool, archive::kItemCount> attempted{};
  std::string summary;
};

class RestoreRun {
 public:
  RestoreRun(ItemRestores& items, core::SharedServices& services, core::SettingsFile& settings,
             platform::Prompter& prompter, RestorePageView& view,
             std::function<std::string()> timeStamp, std::string descriptorPath);

  // The action button's question; true when the user answered OK.
  bool Confirm();
  // Restores the ticked items of the inspected file.
  RestoreOutcome Run(const RestoreSource& source);

 private:
  ItemRestores& items_;
  core::SharedServices& services_;
  core::SettingsFile& settings_;
  platform::Prompter& prompter_;
  RestorePageView& view_;
  std::function<std::string()> timeStamp_;
  std::string descriptorPath_;
};

}  // namespace quill::app

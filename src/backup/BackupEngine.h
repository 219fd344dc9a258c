#pragma once
// One backup, as both the interactive and the unattended run make it: descriptor head, log
// start, the ticked items in index order, the flags, the archive written in one piece, the
// log end, the scratch files removed.

#include <array>
#include <functional>
#include <string>

#include "archive/Descriptor.h"
#include "archive/ZipComponent.h"
#include "core/Discovery.h"
#include "core/SharedServices.h"
#include "platform/Platform.h"
#include "registry/RegistryKeys.h"

namespace quill::backup {
using archive::kItemCount;
using archive::ZipComponent;

// The item names of the summary and the log, by item index.
inline constexpr std::array<const char*, kItemCount> kItemLogNames = {
    "Backup Mail Accounts & Messages/News Accounts & Messages",
    "Backup Mail Rules",
    "Backup LDAP Accounts",
    "Backup News Rules",
    "Backup Junk Mail Settings",
    "Backup Contacts",
    "Backup Windows Live Mail Database",
    "Backup Signatures",
    "Backup Stationeries",
    "Backup Settings",
    "Backup Calendars"};

struct BackupRequest {
  std::array<bool, kItemCount> items{};
  std::string target;
  std::string password;     // empty: the archive is not protected
  std::string information;  // the user's description
  std::string logUser;      // the user named in the log
  bool automatic = false;   // the unattended run
  bool check = false;       // read the written file back whole and check it
};

// What a run shows while it works. Every hook is optional.
struct BackupObserver {
  std::function<void(std::size_t index)> itemStarting;
  std::function<void(std::size_t index, bool succeeded)> itemFinished;
  std::function<void()> yield;
  std::function<void(const std::string& path)> fileAdded;
  std::function<void(int percent)> writeProgress;
};

struct BackupOutcome {
  std::array<bool, kItemCount> succeeded{};
  bool written = false;
  std::string error;         // why the backup file was not written
  bool checked = false;      // the check ran
  bool checkPassed = false;  // and found nothing wrong
  std::string checkReport;   // what it found, as text
};

class BackupEngine {
 public:
  BackupEngine(platform::Platform& platform, registry::RegistryKeys& reg,
               core::SharedServices& services, ZipComponent& zip1, core::ProcessValues values,
               std::string descriptorPath, std::function<std::string()> timeStamp,
               unsigned threads = 2);

  BackupOutcome Run(const BackupRequest& request, const BackupObserver& observer);

 private:
  platform::Platform& platform_;
  registry::RegistryKeys& reg_;
  core::SharedServices& services_;
  ZipComponent& zip1_;
  core::ProcessValues values_;
  std::string descriptorPath_;
  std::function<std::string()> timeStamp_;
  unsigned threads_;
};

}  // namespace quill::backup

#pragma once
// Everything a run of the program works with over the user's profile, built in one place: the
// window, the unattended run, quillstow-cli and the tests all start from a session. It finds
// the profile once, when it is made.

#include <ctime>
#include <functional>
#include <string>

#include "core/ProfileDiscovery.h"
#include "core/SettingsFile.h"
#include "core/SharedServices.h"
#include "core/TimeText.h"
#include "platform/Platform.h"
#include "registry/RegistryKeys.h"

namespace quill::core {

// The local date and time now.
using Clock = std::function<std::tm()>;

class Session {
 public:
  explicit Session(platform::Platform& platform, Clock clock = LocalNow);
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  platform::Platform& platform() { return platform_; }
  registry::RegistryKeys& keys() { return keys_; }
  SharedServices& services() { return services_; }
  SettingsFile& settings() { return settings_; }

  const DiscoveryResult& found() const { return found_; }
  const Profile& profile() const { return found_.profile; }

  std::tm Now() const { return clock_(); }
  // Now, in the system's general date format: the time stamp of log lines and descriptors.
  std::string TimeStamp();
  std::string ApplicationFolder() { return platform_.system().ApplicationFolder(); }
  std::string LogPath() { return services_.LogPath(); }

 private:
  platform::Platform& platform_;
  Clock clock_;
  registry::RegistryKeys keys_;
  SharedServices services_;
  SettingsFile settings_;
  DiscoveryResult found_;
};

}  // namespace quill::core

#pragma once

#include <memory>
#include <string>

#include "platform/Platform.h"
#include "platform/posix/PosixFiles.h"
#include "platform/posix/PosixProcesses.h"
#include "platform/posix/PosixProfileStrings.h"
#include "platform/posix/PosixSystemInfo.h"
#include "platform/posix/WinePrefix.h"
#include "platform/posix/WineRegistry.h"

namespace quill::platform::posix {

// Every service over one Wine prefix.
class PosixPlatform : public Platform {
 public:
  PosixPlatform(WinePrefix prefix, std::string applicationFolder, std::string procRoot = "/proc",
                Launcher launcher = nullptr);

  Registry& registry() override { return registry_; }
  ProfileStrings& profileStrings() override { return profileStrings_; }
  Files& files() override { return files_; }
  Processes& processes() override { return processes_; }
  SystemInfo& system() override { return system_; }

  const WinePrefix& prefix() const { return prefix_; }
  WineRegistry& wineRegistry() { return registry_; }

 private:
  WinePrefix prefix_;
  WineRegistry registry_;
  PosixProfileStrings profileStrings_;
  PosixFiles files_;
  PosixProcesses processes_;
  PosixSystemInfo system_;
};

}  // namespace quill::platform::posix

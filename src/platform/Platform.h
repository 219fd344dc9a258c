#pragma once
// Every system service the program uses, in one place.

#include <memory>
#include <string>

#include "platform/Files.h"
#include "platform/Processes.h"
#include "platform/ProfileStrings.h"
#include "platform/Registry.h"
#include "platform/SystemInfo.h"

namespace quill::platform {

class Platform {
 public:
  virtual ~Platform() = default;
  virtual Registry& registry() = 0;
  virtual ProfileStrings& profileStrings() = 0;
  virtual Files& files() = 0;
  virtual Processes& processes() = 0;
  virtual SystemInfo& system() = 0;
};

// The platform of this host: the real Windows services, or a Wine prefix's.
// applicationFolder is the folder of the running executable.
std::unique_ptr<Platform> CreateHostPlatform(const std::string& applicationFolder);

}  // namespace quill::platform

namespace quill::platform {

// The folder that holds the running executable, without a trailing separator.
std::string ExecutableFolder();

// The application folder: where settings.dat, brlog.dat and the scratch files live. It is
// the executable's folder, or, where that one cannot be written (an installed program),
// userFolder, made when missing, so that no setting and no log line is lost.
std::string ApplicationFolderFor(const std::string& executableFolder, const std::string& userFolder);

// The user's own data folder for the program.
std::string UserDataFolder();

}  // namespace quill::platform

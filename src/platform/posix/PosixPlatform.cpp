#include "platform/posix/PosixPlatform.h"

namespace quill::platform::posix {

PosixPlatform::PosixPlatform(WinePrefix prefix, std::string applicationFolder, std::string procRoot,
                             Launcher launcher)
    : prefix_(std::move(prefix)),
      registry_(prefix_),
      processes_(prefix_, std::move(procRoot), std::move(launcher)),
      system_(registry_, prefix_, std::move(applicationFolder)) {}

}  // namespace quill::platform::posix

namespace quill::platform {

std::unique_ptr<Platform> CreateHostPlatform(const std::string& applicationFolder) {
  return std::make_unique<posix::PosixPlatform>(posix::WinePrefix::FromEnvironment(),
                                                applicationFolder);
}

}  // namespace quill::platform

#include <unistd.h>

#include <filesystem>

namespace quill::platform {

std::string ExecutableFolder() {
  std::error_code error;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return PathText(std::filesystem::current_path(error));
  return PathText(exe.parent_path());
}

}  // namespace quill::platform

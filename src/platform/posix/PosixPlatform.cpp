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

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace quill::platform {

namespace {

#ifndef QUILL_USER_DATA_ONLY
// True when a file can be made in the folder: the only test that holds for every user and
// every file system.
bool CanWriteIn(const std::string& folder) {
  const std::string probe = folder + "/.quillstow-write-test-" + std::to_string(getpid());
  const int fd = open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  close(fd);
  unlink(probe.c_str());
  return true;
}
#endif

}  // namespace

std::string ApplicationFolderFor(const std::string& executableFolder,
                                 const std::string& userFolder) {
#ifndef QUILL_USER_DATA_ONLY
  // A program in a folder of its own (a build, an unpacked copy) keeps its files there; an
  // installed one is built to keep them in the user's data folder, even for root.
  if (CanWriteIn(executableFolder)) return executableFolder;
#else
  (void)executableFolder;
#endif
  std::error_code error;
  std::filesystem::create_directories(HostPath(userFolder), error);
  return userFolder;
}

std::string UserDataFolder() {
  if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && *data != '\0')
    return std::string(data) + "/quillstow";
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : "/tmp") + "/.local/share/quillstow";
}

std::string ExecutableFolder() {
  std::error_code error;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return PathText(std::filesystem::current_path(error));
  return PathText(exe.parent_path());
}

}  // namespace quill::platform

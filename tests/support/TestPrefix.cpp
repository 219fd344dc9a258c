#include "support/TestPrefix.h"

namespace quill::test {
namespace fs = std::filesystem;

TestPrefix::TestPrefix(bool withRegistry) {
  fs::create_directories(prefix() / "dosdevices");
  fs::create_directories(app());
  fs::create_directories(serverRoot());
  for (const char* folder : {"AppData/Local", "AppData/Roaming", "Documents", "Temp"})
    fs::create_directories(profile() / folder);
  fs::create_directories(prefix() / "drive_c" / "windows");
  fs::create_symlink("../drive_c", prefix() / "dosdevices" / "c:");
  fs::create_symlink("/", prefix() / "dosdevices" / "z:");
  if (withRegistry) {
    WriteFile(userReg(), FixtureText("user.reg"));
    WriteFile(prefix() / "system.reg", FixtureText("system.reg"));
  }
}

platform::posix::WinePrefix TestPrefix::winePrefix() const {
  return platform::posix::WinePrefix(prefix(), serverRoot());
}

std::unique_ptr<platform::posix::PosixPlatform> TestPrefix::MakePlatform(
    platform::posix::Launcher launcher) const {
  return std::make_unique<platform::posix::PosixPlatform>(winePrefix(), app().string(), "/proc",
                                                          std::move(launcher));
}

}  // namespace quill::test

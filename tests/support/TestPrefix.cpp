#include "support/TestPrefix.h"

#include <unistd.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace quill::test {
namespace fs = std::filesystem;

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  path_ = fs::temp_directory_path() /
          ("quillstow-test-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
  fs::remove_all(path_);
  fs::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code error;
  // Folders made read-only by a test must be writable again to be removed.
  for (auto it = fs::recursive_directory_iterator(path_, error);
       !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    if (it->is_directory(error) && !it->is_symlink(error))
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
  }
  fs::remove_all(path_, error);
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const std::string& content) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::string FixtureText(const std::string& name) {
  return ReadFile(fs::path(QUILL_FIXTURES_DIR) / name);
}

platform::MessageAnswer RecordingPrompter::Message(const std::string& text,
                                                   platform::MessageIcon icon,
                                                   platform::MessageButtons buttons,
                                                   const std::string& caption) {
  shown.push_back({text, icon, buttons, caption});
  return reply;
}

std::optional<std::string> RecordingPrompter::SaveFileName(const std::string& title,
                                                           const std::string& filter,
                                                           const std::string& proposedName) {
  saveAsked = {title, filter, proposedName};
  return savePath;
}

std::optional<std::string> RecordingPrompter::OpenFileName(const std::string& title,
                                                           const std::string& filter) {
  openAsked = {title, filter};
  return openPath;
}

std::optional<std::string> RecordingPrompter::AskPassword() {
  ++passwordAsked;
  return password;
}

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

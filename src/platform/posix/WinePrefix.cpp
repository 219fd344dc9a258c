#include "platform/posix/WinePrefix.h"

#include "platform/Text.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <system_error>

#include "platform/Files.h"

namespace quill::platform::posix {
namespace fs = std::filesystem;

namespace {

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
  if (const passwd* entry = getpwuid(getuid()); entry != nullptr) return entry->pw_dir;
  return "/";
}

}  // namespace

fs::path ChildIgnoringCase(const fs::path& folder, const std::string& name) {
  fs::path exact = folder / HostPath(name);
  std::error_code error;
  if (fs::exists(fs::symlink_status(exact, error)) || !fs::is_directory(folder, error))
    return exact;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (EqualIgnoringCase(PathText(it->path().filename()), name)) return it->path();
  }
  return exact;
}

WinePrefix::WinePrefix(fs::path root, fs::path serverRoot)
    : root_(std::move(root)), serverRoot_(std::move(serverRoot)) {}

WinePrefix WinePrefix::FromEnvironment() {
  if (const char* prefix = std::getenv("WINEPREFIX"); prefix != nullptr && *prefix != '\0')
    return WinePrefix(prefix);
  return WinePrefix(fs::path(HomeFolder()) / ".wine");
}

std::optional<fs::path> WinePrefix::DriveFolder(char letter) const {
  const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
  std::error_code error;
  const fs::path device = root_ / "dosdevices" / (std::string(1, lower) + ":");
  // The link's target, so that host paths read as the files' real places.
  if (fs::exists(device, error)) {
    const fs::path target = fs::canonical(device, error);
    return error ? device : target;
  }
  if (lower == 'c' && fs::exists(root_ / "drive_c", error)) return root_ / "drive_c";
  return std::nullopt;
}

std::string WinePrefix::ToHostPath(const std::string& windowsPath) const {
  const bool drivePath = windowsPath.size() >= 2 && windowsPath[1] == ':' &&
                         std::isalpha(static_cast<unsigned char>(windowsPath[0]));
  std::optional<fs::path> drive = drivePath ? DriveFolder(windowsPath[0]) : std::nullopt;
  if (!drive) {
    std::string text = windowsPath;
    for (char& c : text)
      if (c == '\\') c = '/';
    return text;
  }
  fs::path host = *drive;
  std::size_t start = 2;
  while (start <= windowsPath.size()) {
    std::size_t end = windowsPath.find_first_of("\\/", start);
    if (end == std::string::npos) end = windowsPath.size();
    const std::string part = windowsPath.substr(start, end - start);
    if (!part.empty() && part != ".")
      host = part == ".." ? host.parent_path() : ChildIgnoringCase(host, part);
    start = end + 1;
  }
  return PathText(host);
}

std::optional<fs::path> WinePrefix::ServerFolder() const {
  struct stat info {};
  if (stat(root_.c_str(), &info) != 0) return std::nullopt;
  char name[64];
  std::snprintf(name, sizeof name, "server-%llx-%llx", static_cast<unsigned long long>(info.st_dev),
                static_cast<unsigned long long>(info.st_ino));
  return serverRoot_ / (".wine-" + std::to_string(getuid())) / name;
}

bool WinePrefix::ServerRunning() const {
  const auto folder = ServerFolder();
  if (!folder) return false;
  // wineserver holds a write lock on the folder's lock file for as long as it runs.
  const int fd = open((*folder / "lock").c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  const bool held = fcntl(fd, F_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
  close(fd);
  return held;
}

}  // namespace quill::platform::posix

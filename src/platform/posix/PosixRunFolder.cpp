#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>

#include "platform/RunFolder.h"

namespace quill::platform {
namespace fs = std::filesystem;

namespace {

constexpr const char* kLockName = "run.lock";
// A run folder while it is made; it is never taken for a run's.
constexpr const char* kMakingPrefix = ".quillstow-making-";

std::string UniquePart() {
  static thread_local std::mt19937_64 random{std::random_device{}()};
  static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::string part;
  for (int i = 0; i < 10; ++i) part += kDigits[random() % 36];
  return part;
}

}  // namespace

RunFolder::RunFolder(fs::path path, std::intptr_t lock) : path_(std::move(path)), lock_(lock) {}

std::unique_ptr<RunFolder> RunFolder::Create(const fs::path& parent, const std::string& prefix) {
  for (int attempt = 0; attempt < 32; ++attempt) {
    // The folder is made and locked under a name of its own, then renamed to its run's name:
    // no other run ever sees a run folder that is not locked yet. The lock goes with the file.
    const std::string unique = UniquePart();
    const fs::path making = parent / (kMakingPrefix + unique);
    const fs::path folder = parent / (prefix + unique);
    if (::mkdir(making.c_str(), 0700) != 0) {
      if (errno == EEXIST) continue;
      return nullptr;
    }
    const int fd =
        ::open((making / kLockName).c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0 ||
        ::rename(making.c_str(), folder.c_str()) != 0) {
      // A folder of that name already there (a run killed before it could remove its own,
      // in a process forked with the same random state) only costs another name.
      const bool taken = fd >= 0 && (errno == EEXIST || errno == ENOTEMPTY);
      if (fd >= 0) ::close(fd);
      std::error_code error;
      fs::remove_all(making, error);
      if (taken) continue;
      return nullptr;
    }
    return std::unique_ptr<RunFolder>(new RunFolder(folder, fd));
  }
  return nullptr;
}

RunFolder::~RunFolder() {
  std::error_code error;
  fs::remove_all(path_, error);
  ::close(static_cast<int>(lock_));
}

bool RunFolder::InUse(const fs::path& folder) {
  const int fd = ::open((folder / kLockName).c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return false;
  const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  ::close(fd);
  return locked;
}

bool SameVolume(const fs::path& a, const fs::path& b) {
  struct stat first {
  }, second{};
  return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
         first.st_dev == second.st_dev;
}

}  // namespace quill::platform

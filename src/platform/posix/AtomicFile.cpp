#include "platform/posix/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace quill::platform::posix {
namespace {

bool WriteWhole(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t written = write(fd, text.data() + done, text.size() - done);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(written);
  }
  return true;
}

}  // namespace

bool ReplaceFile(const std::filesystem::path& path, const std::string& content,
                 std::string* error) {
  const auto fail = [&](int code) {
    if (error != nullptr) *error = std::strerror(code);
    return false;
  };
  std::string temp = path.string() + ".XXXXXX";
  const int fd = mkstemp(temp.data());
  if (fd < 0) return fail(errno);
  struct stat info {};
  const mode_t mode = stat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0644;
  bool ok = fchmod(fd, mode) == 0 && WriteWhole(fd, content) && fsync(fd) == 0;
  int code = ok ? 0 : errno;
  if (close(fd) != 0 && ok) {
    ok = false;
    code = errno;
  }
  if (ok && rename(temp.c_str(), path.c_str()) != 0) {
    ok = false;
    code = errno;
  }
  if (!ok) {
    unlink(temp.c_str());
    return fail(code);
  }
  return true;
}

}  // namespace quill::platform::posix

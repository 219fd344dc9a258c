#include "platform/posix/PosixFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "platform/AnsiCodePage.h"
#include "platform/SystemInfo.h"

namespace quill::platform::posix {
namespace {

// The first three characters of the prefix, as the ANSI call takes them.
std::string NamePrefix(const std::string& prefix) {
  const std::string ansi = Utf8ToAnsi(prefix);
  return AnsiToUtf8(std::string_view(ansi).substr(0, 3));
}

// Where the search for a free number starts: the low 16 bits of a millisecond clock, never 0.
unsigned StartNumber() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
  const unsigned number = static_cast<unsigned>(ms) & 0xffffU;
  return number == 0 ? 1 : number;
}

}  // namespace

std::optional<std::string> PosixFiles::TempFileName(const std::string& folder,
                                                    const std::string& prefix) {
  const std::string start = NamePrefix(prefix);
  unsigned number = StartNumber();
  for (unsigned attempt = 0; attempt < 0xffffU; ++attempt) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "%X", number);
    const std::string path = JoinPath(folder, start + hex + ".tmp");
    const int fd = open(HostPath(path).c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0644);
    if (fd >= 0) {
      close(fd);
      return path;
    }
    if (errno != EEXIST) return std::nullopt;
    number = number == 0xffffU ? 1 : number + 1;
  }
  return std::nullopt;
}

std::optional<std::uint32_t> PosixFiles::GetAttributes(const std::string& path) {
  struct stat info {};
  const auto host = HostPath(path);
  if (stat(host.c_str(), &info) != 0) return std::nullopt;
  std::uint32_t attributes = S_ISDIR(info.st_mode) ? fileattr::kDirectory : fileattr::kArchive;
  if ((info.st_mode & S_IWUSR) == 0) attributes |= fileattr::kReadOnly;
  // Wine shows names that start with a dot as hidden.
  const std::string name = host.filename().string();
  if (!name.empty() && name[0] == '.' && name != "." && name != "..")
    attributes |= fileattr::kHidden;
  return attributes;
}

bool PosixFiles::SetAttributes(const std::string& path, std::uint32_t attributes) {
  struct stat info {};
  const auto host = HostPath(path);
  if (stat(host.c_str(), &info) != 0) return false;
  mode_t mode = info.st_mode & 07777;
  if ((attributes & fileattr::kReadOnly) != 0) {
    mode &= static_cast<mode_t>(~(S_IWUSR | S_IWGRP | S_IWOTH));
  } else {
    mode |= S_IWUSR;
  }
  return chmod(host.c_str(), mode) == 0;
}

std::optional<VolumeSpace> PosixFiles::Volume(const std::string& folder) {
  struct statvfs space {};
  struct statfs kind {};
  const std::string path = HostPath(folder).string();
  if (::statvfs(path.c_str(), &space) != 0 || ::statfs(path.c_str(), &kind) != 0)
    return std::nullopt;
  VolumeSpace volume;
  volume.freeBytes = static_cast<std::uint64_t>(space.f_bavail) * space.f_frsize;
  // The kinds a backup target is likely to be on; the FAT family is the one with a file limit.
  switch (static_cast<unsigned long>(kind.f_type)) {
    case 0x4d44:  // MSDOS_SUPER_MAGIC: FAT12/16/32
      volume.fileSystem = "FAT32";
      volume.largestFile = kFatLargestFile;
      break;
    case 0x2011bab0:
      volume.fileSystem = "exFAT";
      break;
    case 0x5346544e:
      volume.fileSystem = "NTFS";
      break;
    case 0xef53:
      volume.fileSystem = "ext4";
      break;
    case 0x01021994:
      volume.fileSystem = "tmpfs";
      break;
    default:
      volume.fileSystem = "other";
  }
  return volume;
}

}  // namespace quill::platform::posix

namespace quill::platform {

NewFile::~NewFile() {
  if (handle_ >= 0) close(static_cast<int>(handle_));
}

bool NewFile::Create(const std::filesystem::path& path, std::string& error) {
  // O_EXCL with O_NOFOLLOW refuses whatever stands at the name, a link above all; what stands
  // there is removed (a link itself, never what it points to) and the file made again.
  const auto make = [&] {
    return open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  };
  int fd = make();
  if (fd < 0 && errno == EEXIST) {
    if (unlink(path.c_str()) != 0 && errno != ENOENT) {
      error = "cannot remove " + PathText(path) + ": " + std::strerror(errno);
      return false;
    }
    fd = make();
  }
  if (fd < 0) {
    error = "cannot create " + PathText(path) + ": " + std::strerror(errno);
    return false;
  }
  handle_ = fd;
  return true;
}

bool NewFile::Write(const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = write(static_cast<int>(handle_), data, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

bool NewFile::Sync() {
  return handle_ >= 0 && fsync(static_cast<int>(handle_)) == 0;
}

bool NewFile::Close() {
  if (handle_ < 0) return false;
  const int fd = static_cast<int>(handle_);
  handle_ = -1;
  return close(fd) == 0;
}

}  // namespace quill::platform

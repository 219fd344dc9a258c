#include "TreeWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace quill::sample {
namespace fs = std::filesystem;

namespace {

std::string PathText(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

[[noreturn]] void Fail(std::string_view what, const fs::path& path, const std::error_code& error) {
  throw std::runtime_error(std::string(what) + " " + PathText(path) + ": " + error.message());
}

[[noreturn]] void Fail(std::string_view what, const fs::path& path, int error) {
  Fail(what, path, std::error_code(error, std::generic_category()));
}

constexpr std::size_t kFileBuffer = 1 << 20;

// Opens a file that must not exist yet, for writing; nullptr with errno set otherwise.
std::FILE* OpenNew(const fs::path& path) {
#ifdef _WIN32
  const int fd =
      ::_wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
  if (fd < 0) return nullptr;
  std::FILE* file = ::_fdopen(fd, "wb");
  if (file == nullptr) ::_close(fd);
  return file;
#else
  return std::fopen(path.c_str(), "wbx");
#endif
}

// Sets the modification (and access) time of one entry, a link itself rather than what it
// points to.
void SetTime(const fs::path& entry, std::int64_t unixSeconds) {
#ifdef _WIN32
  const HANDLE handle = ::CreateFileW(
      entry.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  const auto lastError = [] {
    return std::error_code(static_cast<int>(::GetLastError()), std::system_category());
  };
  if (handle == INVALID_HANDLE_VALUE) Fail("cannot set the time of", entry, lastError());
  // File times count 100-ns ticks from 1601.
  const std::uint64_t ticks =
      static_cast<std::uint64_t>(unixSeconds) * 10000000ULL + 116444736000000000ULL;
  FILETIME time{static_cast<DWORD>(ticks & 0xffffffffU), static_cast<DWORD>(ticks >> 32)};
  const bool set = ::SetFileTime(handle, nullptr, &time, &time) != 0;
  const std::error_code error = set ? std::error_code() : lastError();
  ::CloseHandle(handle);
  if (!set) Fail("cannot set the time of", entry, error);
#else
  const struct timespec times[2] = {{static_cast<time_t>(unixSeconds), 0},
                                    {static_cast<time_t>(unixSeconds), 0}};
  if (::utimensat(AT_FDCWD, entry.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0) {
    Fail("cannot set the time of", entry, errno);
  }
#endif
}

}  // namespace

FileSink::FileSink(const fs::path& path) : path_(path) {
  file_ = OpenNew(path);
  if (file_ == nullptr) Fail("cannot create", path, errno);
  std::setvbuf(file_, nullptr, _IOFBF, kFileBuffer);
}

FileSink::~FileSink() {
  if (file_ != nullptr) std::fclose(file_);
}

void FileSink::Write(std::string_view bytes) {
  if (bytes.empty()) return;
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
    Fail("cannot write", path_, errno);
  }
  written_ += bytes.size();
}

void FileSink::Close() {
  std::FILE* file = file_;
  file_ = nullptr;
  if (std::fclose(file) != 0) Fail("cannot write", path_, errno);
}

TreeWriter::TreeWriter(fs::path root) : root_(std::move(root)) {}

fs::path TreeWriter::HostPath(std::string_view relative) const {
  return root_ / fs::path(std::u8string(relative.begin(), relative.end()));
}

void TreeWriter::MakeDirectories(const fs::path& path) {
  if (path == root_ || fs::is_directory(fs::symlink_status(path))) return;
  MakeDirectories(path.parent_path());
  std::error_code error;
  if (!fs::create_directory(path, error)) {
    Fail("cannot create the folder", path,
         error ? error : std::make_error_code(std::errc::file_exists));
  }
  ++counts_.directories;
}

void TreeWriter::Directory(std::string_view relative) {
  MakeDirectories(HostPath(relative));
}

std::uint64_t TreeWriter::File(std::string_view relative, std::string_view content) {
  return File(relative, [content](ByteSink& sink) { sink.Write(content); });
}

std::uint64_t TreeWriter::File(std::string_view relative,
                               const std::function<void(ByteSink&)>& produce) {
  const fs::path path = HostPath(relative);
  MakeDirectories(path.parent_path());
  FileSink sink(path);
  produce(sink);
  sink.Close();
  ++counts_.files;
  counts_.bytes += sink.written();
  return sink.written();
}

void TreeWriter::Symlink(std::string_view relative, std::string_view target) {
  const fs::path path = HostPath(relative);
  MakeDirectories(path.parent_path());
  std::error_code error;
  fs::create_symlink(fs::path(std::u8string(target.begin(), target.end())), path, error);
  if (error) Fail("cannot create the link", path, error);
  ++counts_.links;
}

void TreeWriter::StampTimes(std::int64_t unixSeconds) const {
  // Folders last and deepest first: stamping an entry does not touch its folder's time,
  // but creating one does, and all entries exist by now.
  std::vector<fs::path> entries;
  for (auto it = fs::recursive_directory_iterator(root_); it != fs::recursive_directory_iterator();
       ++it) {
    entries.push_back(it->path());
  }
  std::sort(entries.begin(), entries.end(), [](const fs::path& a, const fs::path& b) {
    const auto depth = [](const fs::path& p) { return std::distance(p.begin(), p.end()); };
    return depth(a) > depth(b);
  });
  entries.push_back(root_);
  for (const fs::path& entry : entries) SetTime(entry, unixSeconds);
}

}  // namespace quill::sample

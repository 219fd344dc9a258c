#include "TreeWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
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

[[noreturn]] void Fail(std::string_view what, const fs::path& path, int error) {
  throw std::runtime_error(std::string(what) + " " + PathText(path) + ": " + std::strerror(error));
}

constexpr std::size_t kFileBuffer = 1 << 20;

}  // namespace

FileSink::FileSink(const fs::path& path) : path_(path) {
  file_ = std::fopen(path.c_str(), "wbx");
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
  if (::mkdir(path.c_str(), 0755) != 0) Fail("cannot create the folder", path, errno);
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
  const std::string targetText(target);
  if (::symlink(targetText.c_str(), path.c_str()) != 0) Fail("cannot create the link", path, errno);
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
  const struct timespec times[2] = {{static_cast<time_t>(unixSeconds), 0},
                                    {static_cast<time_t>(unixSeconds), 0}};
  for (const fs::path& entry : entries) {
    if (::utimensat(AT_FDCWD, entry.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0) {
      Fail("cannot set the time of", entry, errno);
    }
  }
}

}  // namespace quill::sample

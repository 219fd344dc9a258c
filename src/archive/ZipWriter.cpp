#include "archive/ZipWriter.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <ctime>
#include <fstream>
#include <vector>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "archive/CodePageNames.h"
#include "platform/Files.h"

namespace quill::archive {
namespace fs = std::filesystem;
using platform::PathText;

namespace {

constexpr std::size_t kChunk = 1 << 16;

bool IsZipName(const std::string& name) {
  if (name.size() < 4) return false;
  std::string tail = name.substr(name.size() - 4);
  for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return tail == ".zip";
}

int OpenNew(const fs::path& path) {
#ifdef _WIN32
  return _wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, 0644);
#else
  return open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
#endif
}

bool SyncFile(int fd) {
#ifdef _WIN32
  return _commit(fd) == 0;
#else
  return fsync(fd) == 0;
#endif
}

bool CloseFile(int fd) {
#ifdef _WIN32
  return _close(fd) == 0;
#else
  return close(fd) == 0;
#endif
}

void SetTime(archive_entry* entry, const fs::path& source) {
  std::error_code error;
  const auto modified = fs::last_write_time(source, error);
  if (error) return;
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
      std::chrono::file_clock::to_sys(modified).time_since_epoch());
  archive_entry_set_mtime(entry, static_cast<time_t>(seconds.count()), 0);
}

// Names are UTF-8; the archive's character set is chosen when it is opened. libarchive for
// Windows takes a UTF-8 name only when the ANSI code page holds every character of it
// (otherwise the header has no name), so there it is given wide.
void SetName(archive_entry* entry, const std::string& name) {
#ifdef _WIN32
  archive_entry_copy_pathname_w(entry, platform::HostPath(name).c_str());
#else
  archive_entry_set_pathname_utf8(entry, name.c_str());
#endif
}

struct EntryFree {
  void operator()(archive_entry* e) const { archive_entry_free(e); }
};
using Entry = std::unique_ptr<archive_entry, EntryFree>;

}  // namespace

struct ZipWriter::State {
  ::archive* writer = nullptr;
  int fd = -1;
  fs::path target;
  fs::path partial;
  Progress progress;
  std::uint64_t done = 0;
  int reported = -1;
  std::vector<char> buffer = std::vector<char>(kChunk);

  ~State() {
    if (writer != nullptr) archive_write_free(writer);
    if (fd >= 0) CloseFile(fd);
  }
};

ZipWriter::ZipWriter() = default;

ZipWriter::~ZipWriter() {
  Abandon();
}

bool ZipWriter::FailSource(std::string message) {
  sourceFailed_ = true;
  return Fail(std::move(message));
}

bool ZipWriter::Fail(std::string message) {
  error_ = std::move(message);
  Abandon();
  return false;
}

void ZipWriter::Abandon() {
  if (!state_) return;
  const fs::path partial = state_->partial;
  state_.reset();
  std::error_code error;
  fs::remove(partial, error);
}

bool ZipWriter::Open(const fs::path& target, const std::string& password, Progress progress,
                     bool namesInCodePage) {
  UseUtf8Names();
  Abandon();
  state_ = std::make_unique<State>();
  state_->target = target;
  state_->partial = target.parent_path() / (PathText(target.filename()) + ".partial");
  state_->progress = std::move(progress);
  state_->writer = archive_write_new();
  ::archive* writer = state_->writer;
  archive_write_set_format_zip(writer);
  // Names stored in the code page go without the UTF-8 flag, as Windows programs of the mail
  // client's era write them; others in UTF-8 with the flag.
  archive_write_set_options(
      writer, ("zip:hdrcharset=" + (namesInCodePage ? CodePageCharset() : "UTF-8")).c_str());
  if (!password.empty() &&
      (archive_write_set_options(writer, "zip:encryption=zipcrypt") != ARCHIVE_OK ||
       archive_write_set_passphrase(writer, PasswordBytes(password).c_str()) != ARCHIVE_OK))
    return Fail("cannot protect the archive: " + std::string(archive_error_string(writer)));
  state_->fd = OpenNew(state_->partial);
  if (state_->fd < 0) return Fail("cannot create " + PathText(state_->partial));
  if (archive_write_open_fd(writer, state_->fd) != ARCHIVE_OK)
    return Fail("cannot write " + PathText(target) + ": " + archive_error_string(writer));
  return true;
}

void ZipWriter::Report(std::uint64_t written) {
  state_->done += written;
  const auto& progress = state_->progress;
  if (progress.bytes) progress.bytes(state_->done);
  if (!progress.report || progress.total == 0) return;
  const int percent =
      static_cast<int>(std::min<std::uint64_t>(100, state_->done * 100 / progress.total));
  if (percent != state_->reported) progress.report(percent);
  state_->reported = percent;
}

bool ZipWriter::AddFolder(const fs::path& source, const std::string& name) {
  if (!state_) return Fail("no archive is being written");
  Entry entry(archive_entry_new());
  SetName(entry.get(), name);
  SetTime(entry.get(), source);
  archive_entry_set_filetype(entry.get(), AE_IFDIR);
  archive_entry_set_perm(entry.get(), 0755);
  if (archive_write_header(state_->writer, entry.get()) != ARCHIVE_OK)
    return Fail("cannot add " + name + ": " + archive_error_string(state_->writer));
  return true;
}

bool ZipWriter::StartFileEntry(const std::string& name, std::uint64_t size,
                               const fs::path* source) {
  ::archive* writer = state_->writer;
  Entry entry(archive_entry_new());
  SetName(entry.get(), name);
  if (source != nullptr)
    SetTime(entry.get(), *source);
  else
    archive_entry_set_mtime(entry.get(), std::time(nullptr), 0);
  archive_entry_set_filetype(entry.get(), AE_IFREG);
  archive_entry_set_perm(entry.get(), 0644);
  archive_entry_set_size(entry.get(), static_cast<la_int64_t>(size));
  // Inner archives are already compressed: they are stored as they are.
  if (IsZipName(name))
    archive_write_zip_set_compression_store(writer);
  else
    archive_write_zip_set_compression_deflate(writer);
  if (archive_write_header(writer, entry.get()) != ARCHIVE_OK)
    return Fail("cannot add " + name + ": " + archive_error_string(writer));
  return true;
}

bool ZipWriter::AddData(const std::string& name, std::string_view bytes) {
  if (!state_) return Fail("no archive is being written");
  ::archive* writer = state_->writer;
  if (!StartFileEntry(name, bytes.size(), nullptr)) return false;
  if (!bytes.empty() && archive_write_data(writer, bytes.data(), bytes.size()) !=
                            static_cast<la_ssize_t>(bytes.size()))
    return Fail("cannot write " + PathText(state_->target) + ": " + archive_error_string(writer));
  Report(bytes.size());
  if (archive_write_finish_entry(writer) != ARCHIVE_OK)
    return Fail("cannot write " + PathText(state_->target) + ": " + archive_error_string(writer));
  return true;
}

bool ZipWriter::AddFile(const fs::path& source, const std::string& name) {
  if (!state_) return Fail("no archive is being written");
  ::archive* writer = state_->writer;
  std::error_code error;
  std::ifstream in(source, std::ios::binary);
  const std::uint64_t size = fs::file_size(source, error);
  if (!in || error) return FailSource("cannot read " + PathText(source));
  if (!StartFileEntry(name, size, &source)) return false;
  std::vector<char>& buffer = state_->buffer;
  for (std::uint64_t left = size; left > 0;) {
    in.read(buffer.data(),
            static_cast<std::streamsize>(std::min<std::uint64_t>(left, buffer.size())));
    const std::streamsize got = in.gcount();
    if (got <= 0) return FailSource(PathText(source) + " shrank while it was added");
    if (archive_write_data(writer, buffer.data(), static_cast<std::size_t>(got)) != got)
      return Fail("cannot write " + PathText(state_->target) + ": " + archive_error_string(writer));
    left -= static_cast<std::uint64_t>(got);
    Report(static_cast<std::uint64_t>(got));
  }
  // A source that is longer now than it was when its size was taken has changed meanwhile.
  if (in.peek() != std::char_traits<char>::eof())
    return FailSource(PathText(source) + " grew while it was added");
  if (archive_write_finish_entry(writer) != ARCHIVE_OK)
    return Fail("cannot write " + PathText(state_->target) + ": " + archive_error_string(writer));
  return true;
}

bool ZipWriter::Finish(bool durable) {
  if (!state_) return Fail("no archive is being written");
  const std::string target = PathText(state_->target);
  if (archive_write_close(state_->writer) != ARCHIVE_OK)
    return Fail("cannot write " + target + ": " + archive_error_string(state_->writer));
  archive_write_free(state_->writer);
  state_->writer = nullptr;
  const bool synced = !durable || SyncFile(state_->fd);
  const bool closed = CloseFile(state_->fd);
  state_->fd = -1;
  if (!synced || !closed) return Fail("cannot write " + target + ": the disk did not take it");
  std::error_code error;
  fs::rename(state_->partial, state_->target, error);
  if (error) return Fail("cannot write " + target + ": " + error.message());
  if (state_->reported != 100 && state_->progress.report) state_->progress.report(100);
  state_.reset();
  return true;
}

bool WalkFolder(const fs::path& root, bool recurse,
                const std::function<bool(const fs::path&, const std::string&, bool)>& visit,
                std::string& error, const std::function<bool(std::string_view)>& leaveOut) {
  enum class Kind { File, Folder, Other };
  // Only the names of the folder being listed are held: a path object per file would cost
  // far more than its name in a folder of tens of thousands of messages.
  std::function<bool(const fs::path&, const std::string&)> walk = [&](const fs::path& folder,
                                                                      const std::string& prefix) {
    std::error_code code;
    std::vector<std::pair<std::string, Kind>> children;
    for (fs::directory_iterator it(folder, code), end; !code && it != end; it.increment(code)) {
      const std::u8string leaf = it->path().filename().u8string();
      if (leaveOut &&
          leaveOut(std::string_view(reinterpret_cast<const char*>(leaf.data()), leaf.size())))
        continue;
      const Kind kind = it->is_directory(code) && !it->is_symlink(code) ? Kind::Folder
                        : it->is_regular_file(code)                     ? Kind::File
                                                                        : Kind::Other;
      children.emplace_back(std::string(leaf.begin(), leaf.end()), kind);
    }
    if (code) {
      error = "cannot list " + PathText(folder) + ": " + code.message();
      return false;
    }
    std::sort(children.begin(), children.end());
    for (const auto& [leaf, kind] : children) {
      const fs::path path = folder / platform::HostPath(leaf);
      const std::string name = prefix + leaf;
      if (kind == Kind::Folder) {
        // A folder that holds nothing is kept as a folder entry, so it comes back on restore.
        if (fs::is_empty(path, code)) {
          if (!visit(path, name + "/", true)) return false;
        } else if (recurse && !walk(path, name + "/")) {
          return false;
        }
      } else if (kind == Kind::File) {
        if (!visit(path, name, false)) return false;
      }
    }
    return true;
  };
  return walk(root, "");
}

}  // namespace quill::archive

#include "archive/ArchiveWriter.h"

#include <filesystem>

#include "archive/CodePageNames.h"
#include "archive/ZipWriter.h"
#include "platform/Files.h"

namespace quill::archive {
namespace fs = std::filesystem;
using platform::HostPath;
using platform::PathText;

ArchiveWriter::ArchiveWriter(std::string target, WriteEvents events)
    : target_(std::move(target)), events_(std::move(events)) {}

bool ArchiveWriter::Fail(std::string message) {
  error_ = std::move(message);
  return false;
}

bool ArchiveWriter::AddFile(const std::string& path, int group) {
  std::error_code error;
  const fs::path file = HostPath(path);
  if (!fs::is_regular_file(file, error)) return Fail("no file " + path);
  pending_.push_back(
      {PathText(file), PathText(file.filename()), {}, {}, Pending::Kind::File, group});
  return true;
}

bool ArchiveWriter::AddFolderContents(const std::string& folder,
                                      std::function<bool(std::string_view)> leaveOut, int group) {
  std::error_code error;
  const fs::path root = HostPath(folder);
  if (!fs::is_directory(root, error)) return Fail("no folder " + folder);
  pending_.push_back({PathText(root), {}, {}, std::move(leaveOut), Pending::Kind::Folder, group});
  return true;
}

bool ArchiveWriter::AddFolderArchive(std::string name, const std::string& folder,
                                     std::function<bool(std::string_view)> leaveOut, int group) {
  std::error_code error;
  const fs::path root = HostPath(folder);
  if (!fs::is_directory(root, error)) return Fail("no folder " + folder);
  pending_.push_back(
      {PathText(root), std::move(name), {}, std::move(leaveOut), Pending::Kind::Archive, group});
  return true;
}

void ArchiveWriter::AddData(std::string name, std::string bytes, int group) {
  pending_.push_back({{}, std::move(name), std::move(bytes), {}, Pending::Kind::Data, group});
}

void ArchiveWriter::DropGroup(int group) {
  std::erase_if(pending_, [group](const Pending& item) { return item.group == group; });
}

// The bytes to write, for the progress and the ZIP64 choice, and whether every name fits the
// code page: the folders are walked once for all of it.
bool ArchiveWriter::Measure(std::vector<Sizes>& sizes, std::uint64_t& total, bool& namesFit) {
  sizes.assign(pending_.size(), {});
  total = 0;
  namesFit = true;
  std::string problem;
  for (std::size_t i = 0; i < pending_.size(); ++i) {
    const Pending& item = pending_[i];
    Sizes& size = sizes[i];
    std::error_code error;
    switch (item.kind) {
      case Pending::Kind::File:
        size.bytes = fs::file_size(HostPath(item.source), error);
        break;
      case Pending::Kind::Data:
        size.bytes = item.data.size();
        break;
      case Pending::Kind::Folder:
      case Pending::Kind::Archive:
        if (!WalkFolder(
                HostPath(item.source), true,
                [&](const fs::path& path, const std::string& name, bool empty) {
                  if (!empty) size.bytes += fs::file_size(path, error);
                  size.namesFit = size.namesFit && FitsCodePage(name);
                  return true;
                },
                problem, item.leaveOut))
          return Fail(problem);
        break;
    }
    total += size.bytes;
    // A folder's files are named in this archive; an inner archive's in its own.
    if (item.kind == Pending::Kind::Folder) namesFit = namesFit && size.namesFit;
    if (item.kind != Pending::Kind::Folder) namesFit = namesFit && FitsCodePage(item.name);
  }
  return true;
}

bool ArchiveWriter::Write(const std::string& password) {
  failedGroup_ = kNoGroup;
  std::vector<Sizes> sizes;
  std::uint64_t total = 0;
  bool namesFit = true;
  if (!Measure(sizes, total, namesFit)) return false;
  if (events_.stopped && events_.stopped()) return Fail(kWriteStopped);
  std::uint64_t done = 0;
  std::string current;
  ZipWriter::Progress progress{total, events_.progress, nullptr};
  if (events_.bytes)
    progress.bytes = [&](std::uint64_t written) {
      done = written;
      events_.bytes(current, done, total);
    };
  ZipWriter writer(threads_);
  if (!writer.Open(HostPath(target_), password, std::move(progress), namesFit))
    return Fail(writer.error());
  std::string problem;
  // Adds a folder's file or empty folder to the writer it is given: this archive's or an inner
  // one's.
  const auto adder = [&](ZipWriter& into) {
    return [&, to = &into](const fs::path& path, const std::string& name, bool emptyFolder) {
      if (events_.stopped && events_.stopped()) {
        problem = kWriteStopped;
        return false;
      }
      if (emptyFolder) return to->AddFolder(path, name);
      if (events_.bytes) {
        current = PathText(path);
        events_.bytes(current, done, total);
      }
      if (!to->AddFile(path, name)) return false;
      if (events_.fileAdded) events_.fileAdded(PathText(path));
      return true;
    };
  };
  for (std::size_t i = 0; i < pending_.size(); ++i) {
    const Pending& item = pending_[i];
    if (events_.groupStarted && (i == 0 || pending_[i - 1].group != item.group)) {
      std::uint64_t bytes = 0;
      for (std::size_t j = i; j < pending_.size() && pending_[j].group == item.group; ++j)
        bytes += sizes[j].bytes;
      events_.groupStarted(item.group, bytes);
    }
    bool added = false;
    switch (item.kind) {
      case Pending::Kind::File:
        added = adder(writer)(HostPath(item.source), item.name, false);
        break;
      case Pending::Kind::Data:
        current = item.name;
        added = writer.AddData(item.name, item.data);
        break;
      case Pending::Kind::Folder:
        added = WalkFolder(HostPath(item.source), true, adder(writer), problem, item.leaveOut);
        break;
      case Pending::Kind::Archive:
        added =
            writer.AddArchive(item.name, sizes[i].bytes, sizes[i].namesFit, [&](ZipWriter& inner) {
              return WalkFolder(HostPath(item.source), true, adder(inner), problem, item.leaveOut);
            });
        break;
    }
    if (!added) {
      if (writer.sourceFailed()) failedGroup_ = item.group;
      return Fail(writer.error().empty() ? problem : writer.error());
    }
  }
  // A stop asked for while the last entries were packed still leaves no file.
  if (events_.stopped && events_.stopped()) return Fail(kWriteStopped);
  if (!writer.Finish(durable_)) return Fail(writer.error());
  return true;
}

}  // namespace quill::archive

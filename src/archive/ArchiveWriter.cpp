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

void ArchiveWriter::AddData(std::string name, std::string bytes, int group) {
  pending_.push_back({{}, std::move(name), std::move(bytes), {}, Pending::Kind::Data, group});
}

void ArchiveWriter::DropGroup(int group) {
  std::erase_if(pending_, [group](const Pending& item) { return item.group == group; });
}

bool ArchiveWriter::Write(const std::string& password) {
  failedGroup_ = kNoGroup;
  std::string problem;
  // The bytes to write, for the progress, and whether every name fits the code page: the
  // folders are walked once for both.
  std::uint64_t total = 0;
  bool namesFit = true;
  for (const Pending& item : pending_) {
    std::error_code error;
    switch (item.kind) {
      case Pending::Kind::File:
        total += fs::file_size(HostPath(item.source), error);
        namesFit = namesFit && FitsCodePage(item.name);
        break;
      case Pending::Kind::Data:
        total += item.data.size();
        namesFit = namesFit && FitsCodePage(item.name);
        break;
      case Pending::Kind::Folder:
        if (!WalkFolder(
                HostPath(item.source), true,
                [&](const fs::path& path, const std::string& name, bool empty) {
                  if (!empty) total += fs::file_size(path, error);
                  namesFit = namesFit && FitsCodePage(name);
                  return true;
                },
                problem, item.leaveOut))
          return Fail(problem);
        break;
    }
  }
  if (events_.stopped && events_.stopped()) return Fail(kWriteStopped);
  std::uint64_t done = 0;
  std::string current;
  ZipWriter::Progress progress{total, events_.progress, nullptr};
  if (events_.bytes)
    progress.bytes = [&](std::uint64_t written) {
      done = written;
      events_.bytes(current, done, total);
    };
  ZipWriter writer;
  if (!writer.Open(HostPath(target_), password, std::move(progress), namesFit))
    return Fail(writer.error());
  const auto add = [&](const fs::path& path, const std::string& name, bool emptyFolder) {
    if (events_.stopped && events_.stopped()) {
      problem = kWriteStopped;
      return false;
    }
    if (emptyFolder) return writer.AddFolder(path, name);
    if (events_.bytes) {
      current = PathText(path);
      events_.bytes(current, done, total);
    }
    if (!writer.AddFile(path, name)) return false;
    if (events_.fileAdded) events_.fileAdded(PathText(path));
    return true;
  };
  for (const Pending& item : pending_) {
    bool added = false;
    switch (item.kind) {
      case Pending::Kind::File:
        added = add(HostPath(item.source), item.name, false);
        break;
      case Pending::Kind::Data:
        current = item.name;
        added = writer.AddData(item.name, item.data);
        break;
      case Pending::Kind::Folder:
        added = WalkFolder(HostPath(item.source), true, add, problem, item.leaveOut);
        break;
    }
    if (!added) {
      if (writer.sourceFailed()) failedGroup_ = item.group;
      return Fail(writer.error().empty() ? problem : writer.error());
    }
  }
  if (!writer.Finish(durable_)) return Fail(writer.error());
  return true;
}

}  // namespace quill::archive

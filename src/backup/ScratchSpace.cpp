#include "backup/ScratchSpace.h"

#include <filesystem>

#include "core/StagingArea.h"
#include "platform/Files.h"

namespace quill::backup {
namespace fs = std::filesystem;

ScratchSpace::ScratchSpace(const std::string& target)
    : parent_(platform::PathText(platform::HostPath(target).parent_path())) {
  core::RemoveAbandonedRunFolders(platform::HostPath(parent_), core::kBackupRunPrefix);
}

ScratchSpace::~ScratchSpace() {
  RemoveAll();
}

std::string ScratchSpace::InnerArchiveFolder(std::size_t item) {
  // Only the run folder is made, on first use: a backup never makes the folder it is written to.
  if (!run_)
    run_ = platform::RunFolder::Create(platform::HostPath(parent_), core::kBackupRunPrefix);
  if (!run_) return std::string();
  const fs::path folder = run_->path() / std::to_string(item);
  std::error_code error;
  fs::create_directory(folder, error);
  return platform::PathText(folder);
}

void ScratchSpace::RemoveAll() {
  std::error_code error;
  for (const std::string& file : exportFiles_) fs::remove(platform::HostPath(file), error);
  exportFiles_.clear();
  run_.reset();
}

}  // namespace quill::backup

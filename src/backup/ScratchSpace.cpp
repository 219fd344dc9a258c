#include "backup/ScratchSpace.h"

#include <filesystem>

#include "core/StagingArea.h"
#include "platform/Files.h"

namespace quill::backup {
namespace fs = std::filesystem;

ScratchSpace::ScratchSpace(const std::string& target) {
  core::RemoveAbandonedRunFolders(platform::HostPath(target).parent_path(), core::kBackupRunPrefix);
}

ScratchSpace::~ScratchSpace() {
  RemoveAll();
}

void ScratchSpace::RemoveAll() {
  std::error_code error;
  for (const std::string& file : exportFiles_) fs::remove(platform::HostPath(file), error);
  exportFiles_.clear();
}

}  // namespace quill::backup

#include "backup/ScratchSpace.h"

#include <filesystem>

#include "platform/Files.h"
#include "platform/SystemInfo.h"

namespace quill::backup {

ScratchSpace::ScratchSpace(std::string folder) : folder_(std::move(folder)) {}

ScratchSpace::~ScratchSpace() {
  RemoveAll();
}

std::string ScratchSpace::InnerArchiveFolder(std::size_t item) {
  const std::string folder = platform::JoinPath(folder_, std::to_string(item));
  // Only the scratch folders are made: a backup never makes the folder it is written to.
  std::error_code error;
  std::filesystem::create_directory(platform::HostPath(folder_), error);
  std::filesystem::create_directory(platform::HostPath(folder), error);
  return folder;
}

void ScratchSpace::RemoveAll() {
  std::error_code error;
  for (const std::string& file : exportFiles_)
    std::filesystem::remove(platform::HostPath(file), error);
  exportFiles_.clear();
  std::filesystem::remove_all(platform::HostPath(folder_), error);
}

}  // namespace quill::backup

#include "backup/BackupFileWriter.h"

#include <filesystem>

namespace quill::backup {

BackupFileWriter::BackupFileWriter(ZipComponent& zip, platform::Files& files,
                                   std::string descriptorPath)
    : zip_(zip), files_(files), descriptorPath_(std::move(descriptorPath)) {}

bool BackupFileWriter::Begin(const std::string& targetPath, const DescriptorHead& head) {
  std::error_code error;
  std::filesystem::remove(platform::HostPath(descriptorPath_), error);
  // The target is not deleted here: the new file replaces it only once it is complete, so
  // a failed run never costs the user the backup they had.
  const bool written =
      SaveINI(kComputerKey, head.computer, descriptorPath_) &&
      SaveINI(kUserKey, head.user, descriptorPath_) &&
      SaveINI(kTimeKey, head.time, descriptorPath_) &&
      SaveINI(kInformationKey, EncodeDescription(head.information), descriptorPath_);
  zip_.NewZip(targetPath);
  return written;
}

bool BackupFileWriter::Finish(const std::array<bool, kItemCount>& succeeded,
                              const std::string& password) {
  bool ok = SaveINI(kItemFlagsKey, ItemFlags(succeeded), descriptorPath_);
  files_.SetAttributes(descriptorPath_, platform::fileattr::kNormal);
  ok = ok && zip_.AppendFiles(descriptorPath_, true);
  zip_.SetPassword(password);
  zip_.SetPasswordProtect(!password.empty());
  ok = ok && zip_.WriteZip();
  zip_.CloseZip();
  std::error_code error;
  std::filesystem::remove(platform::HostPath(descriptorPath_), error);
  return ok;
}

}  // namespace quill::backup

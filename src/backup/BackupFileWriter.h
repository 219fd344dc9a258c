#pragma once
// The order in which a backup file is written: the descriptor's head lines, the archive
// started, the items' entries (added by the item routines), the item flags, the
// descriptor as the last entry, protection, the write.

#include <array>
#include <string>

#include "archive/Descriptor.h"
#include "archive/ZipComponent.h"
#include "platform/Files.h"

namespace quill::backup {
using archive::EncodeDescription;
using archive::ItemFlags;
using archive::kComputerKey;
using archive::kInformationKey;
using archive::kItemCount;
using archive::kItemFlagsKey;
using archive::kTimeKey;
using archive::kUserKey;
using archive::SaveINI;
using archive::ZipComponent;

struct DescriptorHead {
  std::string computer;
  std::string user;
  std::string time;
  std::string information;  // as typed: line breaks are encoded here
};

class BackupFileWriter {
 public:
  BackupFileWriter(ZipComponent& zip, platform::Files& files, std::string descriptorPath);

  // Removes a descriptor left over from an earlier run, writes the head lines and starts
  // the archive at targetPath. An older file at targetPath stays until the new one is whole.
  bool Begin(const std::string& targetPath, const DescriptorHead& head);
  // Appends the item flags, adds the descriptor as the last entry, protects the archive
  // with the password (or not, when it is empty), writes and closes it, and removes the
  // descriptor. False when the backup file could not be written; zip.lastError() says why.
  bool Finish(const std::array<bool, kItemCount>& succeeded, const std::string& password);

  const std::string& descriptorPath() const { return descriptorPath_; }

 private:
  ZipComponent& zip_;
  platform::Files& files_;
  std::string descriptorPath_;
};

}  // namespace quill::backup

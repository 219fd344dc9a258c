#include "archive/BackupFile.h"

#include <string>

namespace quill::archive {

BackupOpening OpenBackupFile(const std::string& path, const PasswordSource& password) {
  using Result = BackupOpening::Result;
  BackupOpening opening;
  auto backup = std::make_unique<OpenedBackup>();
  if (!backup->reader.Open(path)) {
    opening.reason = backup->reader.error();
    return opening;
  }
  if (backup->reader.HoldsProtectedEntries()) {
    // In a protected file every entry is protected: one stored plain could have been put in
    // by anyone, without the password.
    for (const EntryInfo& entry : backup->reader.entries())
      if (!entry.encrypted && !entry.directory) {
        opening.reason = "entry " + std::to_string(entry.index + 1) + " (" + entry.name +
                         ") of the protected file " + path + " is not protected";
        return opening;
      }
    backup->password = password ? password() : std::string();
    backup->reader.SetPassword(backup->password);
    if (!backup->reader.CheckPassword()) {
      opening.result = Result::WrongPassword;
      opening.reason = "the password does not open " + path;
      return opening;
    }
  }
  const EntryInfo* entry = backup->reader.Find(kDescriptorName);
  if (entry == nullptr) {
    opening.reason = path + " holds no descriptor " + kDescriptorName;
    return opening;
  }
  const auto bytes = backup->reader.Read(*entry, kDescriptorLimit, opening.reason);
  if (!bytes) return opening;
  if (const std::string problem = Descriptor::LimitProblem(*bytes); !problem.empty()) {
    opening.reason = problem;
    return opening;
  }
  backup->descriptor = Descriptor::Parse(*bytes);
  opening.result = backup->descriptor.valid() ? Result::Opened : Result::InvalidFlags;
  if (!backup->descriptor.valid())
    opening.reason = "its descriptor's BackupItem is not eleven flags";
  opening.backup = std::move(backup);
  return opening;
}

}  // namespace quill::archive

#pragma once
// A backup file opened for reading: its archive, listed once, and what its descriptor says.
// A restore, an inspection and the check of a backup file all start here; the descriptor is
// read from the entry's bytes, never through a file of its own.

#include <functional>
#include <memory>
#include <string>

#include "archive/ArchiveReader.h"
#include "archive/Descriptor.h"

namespace quill::archive {

struct OpenedBackup {
  ArchiveReader reader;
  Descriptor descriptor;
  std::string password;  // what the protected entries open with; "" for none
};

struct BackupOpening {
  enum class Result {
    Opened,         // a backup: its descriptor names eleven flags
    WrongPassword,  // the password does not open the protected file
    NoDescriptor,   // not a ZIP archive, or one without a readable descriptor
    InvalidFlags,   // a descriptor whose BackupItem is not eleven flags
  };
  Result result = Result::NoDescriptor;
  // Opened and InvalidFlags: the archive and what its descriptor says.
  std::unique_ptr<OpenedBackup> backup;
  std::string reason;  // why it is not a backup, for the log and the terminal
};

// A descriptor larger than this is not read: a real one is a few kilobytes.
inline constexpr std::size_t kDescriptorLimit = 16u << 20;

// What a protected backup file is opened with: asked only when the file is protected.
using PasswordSource = std::function<std::string()>;

// Opens the backup file at path: it is listed once, the password asked for when an entry is
// protected and checked, the descriptor read from its entry.
BackupOpening OpenBackupFile(const std::string& path, const PasswordSource& password);

}  // namespace quill::archive

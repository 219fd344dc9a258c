#pragma once
// The way back from a restore: before a restore replaces anything, the items it will touch are
// backed up as the profile holds them, into a dated safety backup in the program's folder (the
// user's data folder for an installed program). The newest few are kept; undoing the last
// restore puts the newest back.

#include <cstddef>
#include <string>
#include <vector>

#include "archive/BackupFile.h"
#include "core/ItemCatalogue.h"
#include "core/Session.h"

namespace quill::safety {

inline constexpr std::size_t kKeptSafetyBackups = 3;

struct SafetyBackup {
  bool written = false;
  std::string file;   // the safety backup written
  std::string error;  // why none could be written, in words for the user
};

class SafetyBackups {
 public:
  explicit SafetyBackups(core::Session& session);

  // The folder the safety backups live in.
  std::string Folder() const;

  // Backs up those of the chosen items that the backup file holds, from the profile as it is
  // now, before a restore of them. A restore must not start when nothing was written.
  SafetyBackup Take(const archive::OpenedBackup& backup, const core::ItemSet& chosen);

  // The newest safety backup, or "" when there is none.
  std::string Latest() const;

  // After the safety backup was restored: removes what the undone restore had added to the
  // profile (folders and files the profile did not have before it), as noted when the safety
  // backup was taken. Returns what could not be removed.
  std::vector<std::string> RemoveAdded(const std::string& safetyFile) const;

 private:
  core::Session& session_;
};

// What the user is told when the safety backup could not be written: the restore did not start.
std::string NotStartedText(const SafetyBackup& taken);

}  // namespace quill::safety

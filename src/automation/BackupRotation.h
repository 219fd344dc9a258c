#pragma once
// The dated backups that "a new file each run" leaves, kept to a number: once a new one is
// written and checked, the oldest beyond the number are removed.

#include <cstddef>
#include <string>
#include <vector>

#include "core/SettingsFile.h"

namespace quill::automation {

// How many dated backups to keep when none is set.
inline constexpr std::size_t kDefaultKeptBackups = 8;

// The number settings.dat keeps: kDefaultKeptBackups when unset or not a number; 0 keeps all.
std::size_t KeptBackups(core::SettingsFile& settings);

// The dated backups of a default file name (as the unattended command line gives it) in its
// folder, newest first: "name-MM-DD-YYYY-HH-MM.wlm" for "name.wlm".
std::vector<std::string> DatedBackups(const std::string& file);

struct Rotation {
  std::vector<std::string> removed;
  std::vector<std::string> notRemoved;  // could not be removed
};

// Removes the dated backups of file beyond the newest keep ones; justWritten stays whatever
// its date says. keep 0 removes nothing.
Rotation RemoveOlderBackups(const std::string& file, const std::string& justWritten,
                            std::size_t keep);

}  // namespace quill::automation

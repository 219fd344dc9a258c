#pragma once
// A registry hive file of a Windows that is not running (a user's NTUSER.DAT, the machine's
// SYSTEM), read with hivex without ever being written: the keys asked for are copied, with
// their values' types and bytes as stored, into a Wine registry file held in memory.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/posix/WineHive.h"

namespace quill::platform::rescue {

struct KeyCopy {
  std::u16string_view from;  // the key's path in the hive file
  std::u16string_view to;    // its path in the Wine registry file
};

// Copies each key that the hive holds, with all below it, into target. Keys the hive lacks
// are passed over. False, with problem saying why in words for the user, when the file
// cannot be read as a hive (missing, damaged, cut short, not a hive at all).
bool CopyHiveKeys(const std::filesystem::path& file, const std::vector<KeyCopy>& keys,
                  posix::WineHive& target, std::string& problem);

}  // namespace quill::platform::rescue

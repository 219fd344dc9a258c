#pragma once
// Registry hive files (the format of NTUSER.DAT) made by tests: an empty hive written from the
// format's documented header, bin and root key, then keys and values added through hivex.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/posix/WineHive.h"

namespace quill::test {

// Writes a hive holding only its root key.
void WriteEmptyHive(const std::filesystem::path& file);

// Copies keys of a Wine registry file, with everything below them, into a hive file made
// empty first: each from-path of the Wine file to the same path in the hive. Values keep
// their types and bytes.
void WriteHive(const std::filesystem::path& file, const platform::posix::WineHive& source,
               const std::vector<std::u16string_view>& keys);

}  // namespace quill::test

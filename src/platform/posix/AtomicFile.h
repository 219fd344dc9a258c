#pragma once

#include <filesystem>
#include <string>

namespace quill::platform::posix {

// Writes content to a temporary file beside path, flushes it to disk and renames it over
// path, keeping the old file's permissions. On any failure path is left as it was and
// error (when given) says why.
bool ReplaceFile(const std::filesystem::path& path, const std::string& content,
                 std::string* error = nullptr);

}  // namespace quill::platform::posix

#pragma once
// Entry names of archives, and the safe way from an entry name to a place on disk.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace quill::archive {

// The folders and file name an entry name stands for, or nothing when the name is unsafe:
// absolute, with a drive or stream (":"), climbing with "..", or empty.
std::optional<std::vector<std::string>> SafeEntryComponents(const std::string& name);

// Creates the folders of components (all but the last) below root and returns the path of
// the last one. Fails where a folder on the way, or the last component, is a link, or where
// a folder on the way is a file.
std::optional<std::filesystem::path> PrepareEntryPath(const std::filesystem::path& root,
                                                      const std::vector<std::string>& components,
                                                      std::string& error);

}  // namespace quill::archive

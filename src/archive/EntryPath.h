#pragma once
// Entry names of archives, and the safe way from an entry name to a place on disk.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quill::archive {

// The folders and file name an entry name stands for, or nothing when the name is unsafe:
// absolute, with a drive or stream (":"), climbing with "..", empty, or with a component
// that WindowsNameProblem refuses; problem, when given, then says which.
std::optional<std::vector<std::string>> SafeEntryComponents(const std::string& name,
                                                            std::string* problem = nullptr);

// Why Windows would not keep one file or folder name as it stands, or "" when it would: a
// device name (CON, NUL.txt, COM1), a trailing dot or blank, a character Windows refuses in
// names, text that is not UTF-8, more than 255 characters, the form of a short name
// (NOTE~1.HTM) that may stand for another file. Such names are refused on every system, so that a
// backup restores the same way on Linux and on Windows.
std::string WindowsNameProblem(std::string_view name);

// A name as Windows compares names: letters without regard to case (the Latin letters of
// the first 384 code points, Greek and Cyrillic; other letters as they stand).
std::string NameKey(std::string_view name);

// Creates the folders of components (all but the last) below root and returns the path of
// the last one. Fails where a folder on the way, or the last component, is a link, or where
// a folder on the way is a file.
std::optional<std::filesystem::path> PrepareEntryPath(const std::filesystem::path& root,
                                                      const std::vector<std::string>& components,
                                                      std::string& error);

}  // namespace quill::archive

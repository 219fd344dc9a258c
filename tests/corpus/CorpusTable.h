#pragma once
// The tables of tests/corpus/: one case a line, tab-separated cells, "#" lines and empty
// lines left out. Cells use the C escapes \t \r \n \\ and \xHH.

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace quill::test {

using CorpusRow = std::vector<std::string>;

// The rows of a table file; a cell's escapes are resolved.
std::vector<CorpusRow> ReadCorpusTable(const std::filesystem::path& file);
// text with every "{name}" of replacements put in.
std::string Expand(std::string text, const std::map<std::string, std::string>& replacements);

// Everything under a folder: relative path -> "dir", "link:" + target or "file:" + content.
using FolderState = std::map<std::string, std::string>;
FolderState StateOf(const std::filesystem::path& root);
// The paths whose state differs, one a line; "" when the two are the same.
std::string Differences(const FolderState& before, const FolderState& after);

}  // namespace quill::test

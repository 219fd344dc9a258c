#include "CorpusTable.h"

#include <fstream>
#include <stdexcept>

#include "support/TestPrefix.h"

namespace quill::test {
namespace fs = std::filesystem;
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  throw std::runtime_error(std::string("not a hex digit: ") + c);
}

std::string Unescape(const std::string& cell) {
  std::string out;
  for (std::size_t i = 0; i < cell.size(); ++i) {
    if (cell[i] != '\\' || i + 1 == cell.size()) {
      out += cell[i];
      continue;
    }
    const char c = cell[++i];
    if (c == 'n') {
      out += '\n';
    } else if (c == 'r') {
      out += '\r';
    } else if (c == 't') {
      out += '\t';
    } else if (c == 'x' && i + 2 < cell.size()) {
      out += static_cast<char>(HexDigit(cell[i + 1]) * 16 + HexDigit(cell[i + 2]));
      i += 2;
    } else {
      out += c;
    }
  }
  return out;
}

CorpusRow SplitRow(const std::string& line) {
  CorpusRow row;
  std::size_t start = 0;
  for (;;) {
    const std::size_t tab = line.find('\t', start);
    row.push_back(Unescape(line.substr(start, tab - start)));
    if (tab == std::string::npos) return row;
    start = tab + 1;
  }
}

}  // namespace

std::vector<CorpusRow> ReadCorpusTable(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + file.string());
  std::vector<CorpusRow> rows;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line.front() == '#') continue;
    rows.push_back(SplitRow(line));
  }
  return rows;
}

std::string Expand(std::string text, const std::map<std::string, std::string>& replacements) {
  for (const auto& [name, value] : replacements) {
    const std::string mark = "{" + name + "}";
    for (std::size_t at = text.find(mark); at != std::string::npos;
         at = text.find(mark, at + value.size()))
      text.replace(at, mark.size(), value);
  }
  return text;
}

FolderState StateOf(const fs::path& root) {
  FolderState state;
  for (const auto& item : fs::recursive_directory_iterator(root)) {
    const std::string name = item.path().lexically_relative(root).generic_string();
    if (item.is_symlink())
      state[name] = "link:" + fs::read_symlink(item.path()).string();
    else if (item.is_directory())
      state[name] = "dir";
    else
      state[name] = "file:" + ReadFile(item.path());
  }
  return state;
}

std::string Differences(const FolderState& before, const FolderState& after) {
  std::string report;
  for (const auto& [name, state] : before) {
    const auto now = after.find(name);
    if (now == after.end())
      report += "gone: " + name + "\n";
    else if (now->second != state)
      report += "changed: " + name + "\n";
  }
  for (const auto& [name, state] : after)
    if (before.count(name) == 0) report += "new: " + name + "\n";
  return report;
}

}  // namespace quill::test

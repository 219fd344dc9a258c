#pragma once
// 8-bit text files in the ANSI code page with CR LF line ends: the log, the descriptor, the
// registry export files. Text in the program is UTF-8; it is converted at the file.

#include <optional>
#include <string>
#include <vector>

namespace quill::platform {

class TextFile {
 public:
  // Every line of the file (CR LF or LF ends), or nothing when it cannot be read.
  static std::optional<std::vector<std::string>> ReadLines(const std::string& path);
  // The whole file in UTF-8, line ends as they are, or nothing when it cannot be read.
  static std::optional<std::string> ReadText(const std::string& path);
  // Appends the line and CR LF, creating the file. False when the line did not reach the
  // file whole (no access, a bad path, a full disk).
  static bool AppendLine(const std::string& path, const std::string& line);
};

}  // namespace quill::platform

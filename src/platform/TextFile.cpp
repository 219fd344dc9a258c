#include "platform/TextFile.h"

#include <cstdio>
#include <fstream>
#include <iterator>

#include "platform/AnsiCodePage.h"
#include "platform/Files.h"

namespace quill::platform {

std::optional<std::vector<std::string>> TextFile::ReadLines(const std::string& path) {
  std::ifstream in(HostPath(path), std::ios::binary);
  if (!in) return std::nullopt;
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    std::size_t stop = end;
    if (stop > start && bytes[stop - 1] == '\r') --stop;
    lines.push_back(AnsiToUtf8(std::string_view(bytes).substr(start, stop - start)));
    start = end + 1;
  }
  return lines;
}

std::optional<std::string> TextFile::ReadText(const std::string& path) {
  std::ifstream in(HostPath(path), std::ios::binary);
  if (!in) return std::nullopt;
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return AnsiToUtf8(bytes);
}

bool TextFile::AppendLine(const std::string& path, const std::string& line) {
#ifdef _WIN32
  std::FILE* file = _wfopen(HostPath(path).c_str(), L"ab");
#else
  std::FILE* file = std::fopen(HostPath(path).c_str(), "ab");
#endif
  if (file == nullptr) return false;
  const std::string bytes = Utf8ToAnsi(line) + "\r\n";
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  const bool flushed = std::fflush(file) == 0;
  const bool closed = std::fclose(file) == 0;
  return written && flushed && closed;
}

}  // namespace quill::platform

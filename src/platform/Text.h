#pragma once
// Small text operations the whole program shares: letter case as Windows compares names
// (ASCII letters only, as the ANSI calls of the mail client's era do), blanks trimmed the way
// the descriptor and the settings file trim them, and replacing every occurrence.

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

namespace quill::platform {

inline char LowerAscii(char c) {
  return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}
inline char UpperAscii(char c) {
  return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

inline std::string Lower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(), LowerAscii);
  return lower;
}
inline std::string Upper(std::string_view text) {
  std::string upper(text);
  std::transform(upper.begin(), upper.end(), upper.begin(), UpperAscii);
  return upper;
}

inline bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return LowerAscii(x) == LowerAscii(y);
         });
}

// True when text ends with tail, letters compared without regard to case.
inline bool EndsWithIgnoringCase(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() &&
         EqualIgnoringCase(text.substr(text.size() - tail.size()), tail);
}

// Text without the blanks (spaces only) at either end.
inline std::string_view TrimBlanks(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Text cut at its first NUL character, blanks around it removed: a value as the ANSI calls
// hand it back in a buffer.
inline std::string CleanValue(std::string_view text) {
  return std::string(TrimBlanks(text.substr(0, text.find('\0'))));
}

inline std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
  if (from.empty()) return text;
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

// The value of a hexadecimal digit, either case; -1 for any other character.
inline int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace quill::platform

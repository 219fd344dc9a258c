#pragma once
// Registry values and registry text as the registry tests write them.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Registry.h"

namespace quill::test {

// The lines, each ended by CR LF.
inline std::string Crlf(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  return text;
}

// A REG_DWORD: four bytes, low byte first.
inline platform::RegValue Dword(std::uint32_t bits) {
  std::string bytes;
  for (int i = 0; i < 4; ++i) bytes += static_cast<char>(bits >> (8 * i));
  return {platform::regtype::kDword, bytes};
}

// A string value with its terminating NUL.
inline platform::RegValue Sz(const std::string& text, std::uint32_t type = platform::regtype::kSz) {
  return {type, text + '\0'};
}

}  // namespace quill::test

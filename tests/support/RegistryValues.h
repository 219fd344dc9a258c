#pragma once
// Registry values and registry text as the registry tests write them.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/AnsiCodePage.h"
#include "platform/Registry.h"
#include "platform/Utf16.h"

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

// String data as the registry stores it: UTF-16LE, with a terminating NUL unless told not to.
inline std::string Wide(const std::string& utf8, bool terminated = true) {
  std::u16string text = platform::Utf8ToUtf16(utf8);
  if (terminated) text += u'\0';
  return platform::Utf16ToBytes(text);
}
inline std::string Wide(const std::u16string& text) {
  return platform::Utf16ToBytes(text);
}

// A value as SetValue writes it, as the registry then stores it: text through the code page.
inline platform::StoredValue Stored(const platform::RegValue& value) {
  if (!platform::IsStringType(value.type)) return {value.type, value.data};
  return {value.type,
          platform::Utf16ToBytes(platform::Utf8ToUtf16(platform::AnsiRoundTrip(value.data)))};
}

}  // namespace quill::test

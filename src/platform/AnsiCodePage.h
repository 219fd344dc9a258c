#pragma once
// The system's ANSI code page: on Windows the system's own, over a Wine prefix
// Windows-1252. Characters outside it become '?', as the ANSI calls make them.

#include <cstdint>
#include <string>
#include <string_view>

namespace quill::platform {

// The number of the code page the conversions below use (1252, 932, ...).
std::uint32_t AnsiCodePageId();

// UTF-8 text as code-page bytes.
std::string Utf8ToAnsi(std::string_view utf8);
// Code-page bytes as UTF-8 text.
std::string AnsiToUtf8(std::string_view ansi);
// UTF-8 text limited to what survives a round trip through the code page.
inline std::string AnsiRoundTrip(std::string_view utf8) {
  return AnsiToUtf8(Utf8ToAnsi(utf8));
}

}  // namespace quill::platform

// The ANSI code page of a Wine prefix: Windows-1252.

#include <array>

#include "platform/AnsiCodePage.h"
#include "platform/posix/WineHive.h"

namespace quill::platform {
namespace {

// Code points of the bytes 0x80 to 0x9F; the five bytes Windows leaves undefined map to
// the control characters of the same number, as MultiByteToWideChar maps them.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char16_t ByteToCode(unsigned char byte) {
  if (byte >= 0x80 && byte <= 0x9F) return kHighControls[byte - 0x80];
  return byte;
}

char CodeToByte(char32_t code) {
  if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) return static_cast<char>(code);
  for (std::size_t i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] == code) return static_cast<char>(0x80 + i);
  }
  return '?';
}

}  // namespace

std::uint32_t AnsiCodePageId() {
  return 1252;
}

std::string Utf8ToAnsi(std::string_view utf8) {
  const std::u16string wide = posix::Utf8ToUtf16(utf8);
  std::string out;
  out.reserve(wide.size());
  for (std::size_t i = 0; i < wide.size(); ++i) {
    const char16_t c = wide[i];
    // A surrogate pair is one character, and one '?'.
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 &&
        wide[i + 1] <= 0xDFFF) {
      ++i;
      out += '?';
      continue;
    }
    out += CodeToByte(c);
  }
  return out;
}

std::string AnsiToUtf8(std::string_view ansi) {
  std::u16string wide;
  wide.reserve(ansi.size());
  for (char c : ansi) wide += ByteToCode(static_cast<unsigned char>(c));
  return posix::Utf16ToUtf8(wide);
}

}  // namespace quill::platform

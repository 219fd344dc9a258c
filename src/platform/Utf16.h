#pragma once
// UTF-8 and UTF-16 conversions, and UTF-16 text as the registry stores it: little-endian
// bytes. Both builds use them; they need no code page.

#include <cstddef>
#include <string>
#include <string_view>

namespace quill::platform {

// Decodes one UTF-8 sequence at pos and advances pos past it; a byte that starts no valid
// sequence gives U+FFFD and advances by one.
char32_t DecodeUtf8(std::string_view text, std::size_t& pos);
// Appends a code point as one or two UTF-16 code units.
void AppendUtf16(char32_t code, std::u16string& out);

// UTF-8 and UTF-16 (invalid UTF-8 bytes and lone surrogates become U+FFFD).
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

// UTF-16LE bytes of a UTF-16 text, and back (an odd last byte is dropped).
std::string Utf16ToBytes(std::u16string_view text);
std::u16string BytesToUtf16(std::string_view bytes);

}  // namespace quill::platform

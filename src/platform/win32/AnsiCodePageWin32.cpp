// The system's ANSI code page on Windows: UTF-8 -> UTF-16 -> CP_ACP and back, which is
// what the ...A entry points do with their text.

#include <climits>
#include <string>
#include <string_view>

#include "platform/AnsiCodePage.h"
#include "platform/win32/WindowsApi.h"

namespace quill::platform {
namespace {

// Texts longer than an int can count are not handed to the conversion calls at all.
bool FitsInt(std::size_t size) {
  return size <= static_cast<std::size_t>(INT_MAX);
}

std::wstring ToWide(UINT codePage, std::string_view text) {
  if (text.empty() || !FitsInt(text.size())) return {};
  const int length = static_cast<int>(text.size());
  const int wideLength = MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
  if (wideLength <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), length, wide.data(), wideLength);
  return wide;
}

std::string FromWide(UINT codePage, DWORD flags, std::wstring_view wide) {
  if (wide.empty() || !FitsInt(wide.size())) return {};
  const int length = static_cast<int>(wide.size());
  const int size =
      WideCharToMultiByte(codePage, flags, wide.data(), length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return {};
  std::string text(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(codePage, flags, wide.data(), length, text.data(), size, nullptr, nullptr);
  return text;
}

// Characters the code page lacks become '?' rather than a look-alike ("best fit" would
// turn a full-width backslash into a real one inside a path). Code pages that take no
// flags at all (UTF-8 as the system code page) refuse the flag and are asked without it.
std::string WideToAnsi(std::wstring_view wide) {
  if (wide.empty()) return {};
  std::string text = FromWide(CP_ACP, WC_NO_BEST_FIT_CHARS, wide);
  if (text.empty() && GetLastError() == ERROR_INVALID_FLAGS) text = FromWide(CP_ACP, 0, wide);
  return text;
}

}  // namespace

std::uint32_t AnsiCodePageId() {
  return GetACP();
}

std::string Utf8ToAnsi(std::string_view utf8) {
  return WideToAnsi(ToWide(CP_UTF8, utf8));
}

std::string AnsiToUtf8(std::string_view ansi) {
  return FromWide(CP_UTF8, 0, ToWide(CP_ACP, ansi));
}

}  // namespace quill::platform

#include "platform/win32/Win32ProfileStrings.h"

#include <algorithm>
#include <string>

#include "platform/AnsiCodePage.h"
#include "platform/win32/WindowsApi.h"

namespace quill::platform::win32 {

std::string Win32ProfileStrings::GetString(const std::string& section, const std::string& key,
                                           const std::string& defaultValue,
                                           std::uint32_t bufferChars, const std::string& file) {
  // No room for even the terminating NUL: nothing can be read.
  if (bufferChars == 0) return {};
  std::string buffer(bufferChars, '\0');
  const DWORD length = GetPrivateProfileStringA(
      Utf8ToAnsi(section).c_str(), Utf8ToAnsi(key).c_str(), Utf8ToAnsi(defaultValue).c_str(),
      buffer.data(), bufferChars, Utf8ToAnsi(file).c_str());
  buffer.resize(std::min<std::size_t>(length, buffer.size()));
  return AnsiToUtf8(buffer);
}

bool Win32ProfileStrings::WriteString(const std::string& section, const std::string& key,
                                      const std::string& value, const std::string& file) {
  return WritePrivateProfileStringA(Utf8ToAnsi(section).c_str(), Utf8ToAnsi(key).c_str(),
                                    Utf8ToAnsi(value).c_str(), Utf8ToAnsi(file).c_str()) != 0;
}

}  // namespace quill::platform::win32

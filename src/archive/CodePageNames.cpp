#include "archive/CodePageNames.h"

#include <clocale>
#include <cstring>
#include <mutex>

#include "platform/AnsiCodePage.h"
#include "platform/Utf16.h"

namespace quill::archive {

void UseUtf8Names() {
#ifndef _WIN32
  static std::once_flag once;
  std::call_once(once, [] {
    const char* current = std::setlocale(LC_CTYPE, nullptr);
    const bool utf8 = current != nullptr && (std::strstr(current, "UTF-8") != nullptr ||
                                             std::strstr(current, "utf8") != nullptr);
    if (!utf8 && std::setlocale(LC_CTYPE, "C.UTF-8") == nullptr) std::setlocale(LC_CTYPE, "");
  });
#endif
}

bool FitsCodePage(const std::string& utf8) {
  return platform::AnsiRoundTrip(utf8) == utf8;
}

std::string NameFromHeader(const std::string& bytes) {
  const bool utf8 = platform::Utf16ToUtf8(platform::Utf8ToUtf16(bytes)) == bytes;
  return utf8 ? bytes : platform::AnsiToUtf8(bytes);
}

std::string CodePageCharset() {
  return "CP" + std::to_string(platform::AnsiCodePageId());
}

std::string PasswordBytes(const std::string& utf8Password) {
  return FitsCodePage(utf8Password) ? platform::Utf8ToAnsi(utf8Password) : utf8Password;
}

std::vector<std::string> PasswordCandidates(const std::string& utf8Password) {
  std::vector<std::string> candidates = {PasswordBytes(utf8Password)};
  if (candidates.front() != utf8Password) candidates.push_back(utf8Password);
  return candidates;
}

}  // namespace quill::archive

#include "platform/posix/PosixProfileStrings.h"

#include <fstream>
#include <iterator>

#include "platform/AnsiCodePage.h"
#include "platform/Files.h"
#include "platform/posix/AtomicFile.h"
#include "platform/posix/IniFile.h"

namespace quill::platform::posix {
namespace {

// The file's text, empty when it does not exist; nothing when it exists but cannot be read.
std::optional<std::string> ReadAll(const std::string& file) {
  std::error_code error;
  const auto path = HostPath(file);
  if (!std::filesystem::exists(path, error)) return std::string();
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return AnsiToUtf8(
      std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));
}

std::string StripQuotes(std::string value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

}  // namespace

std::string PosixProfileStrings::GetString(const std::string& section, const std::string& key,
                                           const std::string& defaultValue,
                                           std::uint32_t bufferChars, const std::string& file) {
  if (bufferChars == 0) return std::string();
  const auto text = ReadAll(file);
  const auto value = text ? IniFile::Parse(*text).Get(section, key) : std::nullopt;
  const std::string result = value ? StripQuotes(*value) : defaultValue;
  // The buffer holds bufferChars - 1 code-page characters and the closing NUL.
  const std::string ansi = Utf8ToAnsi(result);
  return AnsiToUtf8(std::string_view(ansi).substr(0, bufferChars - 1));
}

bool PosixProfileStrings::WriteString(const std::string& section, const std::string& key,
                                      const std::string& value, const std::string& file) {
  const auto text = ReadAll(file);
  if (!text) return false;
  IniFile ini = IniFile::Parse(*text);
  ini.Set(section, key, AnsiRoundTrip(value));
  return ReplaceFile(HostPath(file), Utf8ToAnsi(ini.Serialize()));
}

}  // namespace quill::platform::posix

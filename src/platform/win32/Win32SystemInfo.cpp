#include "platform/win32/Win32SystemInfo.h"

#include <string>
#include <utility>

#include "platform/AnsiCodePage.h"
#include "platform/win32/WindowsApi.h"

#include <lmcons.h>

namespace quill::platform::win32 {
namespace {

// Calls that return the length they wrote, or the size they need (NUL included) when
// the buffer is too small, or 0 on failure: asked again with the size they asked for.
template <typename Call>
std::string ReadGrowing(DWORD initialSize, Call call) {
  std::string buffer(initialSize, '\0');
  for (int round = 0; round < 4; ++round) {
    const DWORD length = call(buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) {
      buffer.resize(length);
      return AnsiToUtf8(buffer);
    }
    buffer.assign(length, '\0');
  }
  return {};
}

// The text up to the first NUL of a buffer the call filled.
std::string UpToNul(const char* buffer) {
  return AnsiToUtf8(std::string(buffer));
}

}  // namespace

Win32SystemInfo::Win32SystemInfo(std::string applicationFolder)
    : applicationFolder_(std::move(applicationFolder)) {
  while (!applicationFolder_.empty() &&
         (applicationFolder_.back() == '\\' || applicationFolder_.back() == '/')) {
    applicationFolder_.pop_back();
  }
}

std::string Win32SystemInfo::ComputerName() {
  char buffer[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof buffer;
  if (!GetComputerNameA(buffer, &size)) return {};
  return UpToNul(buffer);
}

std::string Win32SystemInfo::UserName() {
  // The size returned counts the terminating NUL: 1 or less means no name.
  char buffer[UNLEN + 1] = {};
  DWORD size = sizeof buffer;
  if (!GetUserNameA(buffer, &size) || size <= 1) return {};
  return UpToNul(buffer);
}

std::string Win32SystemInfo::WindowsFolder() {
  return ReadGrowing(MAX_PATH,
                     [](char* buffer, DWORD size) { return GetWindowsDirectoryA(buffer, size); });
}

std::optional<std::string> Win32SystemInfo::Environment(const std::string& name) {
  const std::string ansiName = Utf8ToAnsi(name);
  // A variable set to an empty text also gives length 0, without an error.
  SetLastError(ERROR_SUCCESS);
  std::string value = ReadGrowing(256, [&ansiName](char* buffer, DWORD size) {
    return GetEnvironmentVariableA(ansiName.c_str(), buffer, size);
  });
  if (value.empty() && GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
  return value;
}

std::string Win32SystemInfo::ApplicationFolder() {
  return applicationFolder_;
}

std::string Win32SystemInfo::ToHostPath(const std::string& windowsPath) {
  return windowsPath;
}

}  // namespace quill::platform::win32

namespace quill::platform::win32 {

std::string Win32SystemInfo::GeneralDate(const std::tm& local) {
  SYSTEMTIME time{};
  time.wYear = static_cast<WORD>(local.tm_year + 1900);
  time.wMonth = static_cast<WORD>(local.tm_mon + 1);
  time.wDay = static_cast<WORD>(local.tm_mday);
  time.wDayOfWeek = static_cast<WORD>(local.tm_wday);
  time.wHour = static_cast<WORD>(local.tm_hour);
  time.wMinute = static_cast<WORD>(local.tm_min);
  time.wSecond = static_cast<WORD>(local.tm_sec);
  char date[128] = {};
  char clock[128] = {};
  GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, date, sizeof date);
  GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &time, nullptr, clock, sizeof clock);
  return AnsiToUtf8(std::string(date) + " " + clock);
}

}  // namespace quill::platform::win32

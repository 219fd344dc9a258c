#include "platform/win32/Win32Files.h"

#include <string>

#include "platform/AnsiCodePage.h"
#include "platform/win32/WindowsApi.h"

namespace quill::platform::win32 {
namespace {

// The path up to its terminating NUL, without the blanks around it.
std::string TrimmedPath(const char* buffer) {
  std::string path(buffer);
  const auto first = path.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  const auto last = path.find_last_not_of(' ');
  return path.substr(first, last - first + 1);
}

}  // namespace

std::optional<std::string> Win32Files::TempFileName(const std::string& folder,
                                                    const std::string& prefix) {
  // Unique number 0: the system picks the number and creates the empty file.
  char buffer[MAX_PATH + 1] = {};
  if (GetTempFileNameA(Utf8ToAnsi(folder).c_str(), Utf8ToAnsi(prefix).c_str(), 0, buffer) == 0) {
    return std::nullopt;
  }
  const std::string path = TrimmedPath(buffer);
  if (path.empty()) return std::nullopt;
  return AnsiToUtf8(path);
}

std::optional<std::uint32_t> Win32Files::GetAttributes(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(Utf8ToAnsi(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return std::nullopt;
  return attributes;
}

bool Win32Files::SetAttributes(const std::string& path, std::uint32_t attributes) {
  return SetFileAttributesA(Utf8ToAnsi(path).c_str(), attributes) != 0;
}

std::optional<VolumeSpace> Win32Files::Volume(const std::string& folder) {
  // Asked wide: the folder may lie below a name outside the code page.
  const std::wstring path = HostPath(folder).wstring();
  ULARGE_INTEGER available{};
  if (!GetDiskFreeSpaceExW(path.c_str(), &available, nullptr, nullptr)) return std::nullopt;
  VolumeSpace volume;
  volume.freeBytes = available.QuadPart;
  wchar_t root[MAX_PATH + 1] = {};
  wchar_t system[MAX_PATH + 1] = {};
  if (GetVolumePathNameW(path.c_str(), root, MAX_PATH + 1) &&
      GetVolumeInformationW(root, nullptr, 0, nullptr, nullptr, nullptr, system, MAX_PATH + 1)) {
    for (const wchar_t* c = system; *c != L'\0'; ++c) volume.fileSystem += static_cast<char>(*c);
  }
  // "FAT" and "FAT32"; exFAT has no such limit.
  if (volume.fileSystem == "FAT" || volume.fileSystem == "FAT32")
    volume.largestFile = kFatLargestFile;
  return volume;
}

}  // namespace quill::platform::win32

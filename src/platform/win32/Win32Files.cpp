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

namespace quill::platform {

NewFile::~NewFile() {
  if (handle_ != -1) CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

bool NewFile::Create(const std::filesystem::path& path, std::string& error) {
  // CREATE_NEW refuses anything that stands at the name, a reparse point included; what stands
  // there is removed (DeleteFileW takes a file or a link itself, never what a link points at)
  // and the file made again.
  const auto make = [&] {
    return CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  };
  HANDLE file = make();
  if (file == INVALID_HANDLE_VALUE &&
      (GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS)) {
    if (!DeleteFileW(path.c_str())) {
      const DWORD code = GetLastError();
      if (code != ERROR_FILE_NOT_FOUND && code != ERROR_PATH_NOT_FOUND) {
        error = "cannot remove " + PathText(path) + ": error " + std::to_string(code);
        return false;
      }
    }
    file = make();
  }
  if (file == INVALID_HANDLE_VALUE) {
    error = "cannot create " + PathText(path) + ": error " + std::to_string(GetLastError());
    return false;
  }
  handle_ = reinterpret_cast<std::intptr_t>(file);
  return true;
}

bool NewFile::Write(const char* data, std::size_t size) {
  while (size > 0) {
    const DWORD piece = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!WriteFile(reinterpret_cast<HANDLE>(handle_), data, piece, &written, nullptr) ||
        written == 0)
      return false;
    data += written;
    size -= written;
  }
  return true;
}

bool NewFile::Sync() {
  return handle_ != -1 && FlushFileBuffers(reinterpret_cast<HANDLE>(handle_)) != 0;
}

bool NewFile::Close() {
  if (handle_ == -1) return false;
  const HANDLE file = reinterpret_cast<HANDLE>(handle_);
  handle_ = -1;
  return CloseHandle(file) != 0;
}

}  // namespace quill::platform

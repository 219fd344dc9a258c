#include <chrono>
#include <random>

#include "platform/RunFolder.h"
#include "platform/win32/WindowsApi.h"

namespace quill::platform {
namespace fs = std::filesystem;

namespace {

constexpr const wchar_t* kLockName = L"run.lock";

std::wstring UniquePart() {
  static thread_local std::mt19937_64 random{std::random_device{}()};
  static constexpr wchar_t kDigits[] = L"0123456789abcdefghijklmnopqrstuvwxyz";
  std::wstring part;
  for (int i = 0; i < 10; ++i) part += kDigits[random() % 36];
  return part;
}

// A folder made a moment ago: its run is about to lock it.
bool JustMade(const fs::path& folder) {
  std::error_code error;
  const auto made = fs::last_write_time(folder, error);
  return !error && fs::file_time_type::clock::now() - made < std::chrono::minutes(1);
}

}  // namespace

RunFolder::RunFolder(fs::path path, std::intptr_t lock) : path_(std::move(path)), lock_(lock) {}

std::unique_ptr<RunFolder> RunFolder::Create(const fs::path& parent, const std::string& prefix) {
  for (int attempt = 0; attempt < 32; ++attempt) {
    const fs::path folder = parent / (fs::path(prefix).wstring() + UniquePart());
    if (!CreateDirectoryW(folder.c_str(), nullptr)) {
      if (GetLastError() == ERROR_ALREADY_EXISTS) continue;
      return nullptr;
    }
    // Shared with no one: while the run holds it, no other process opens it.
    const HANDLE lock = CreateFileW((folder / kLockName).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                    nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (lock == INVALID_HANDLE_VALUE) {
      std::error_code error;
      fs::remove_all(folder, error);
      return nullptr;
    }
    return std::unique_ptr<RunFolder>(new RunFolder(folder, reinterpret_cast<std::intptr_t>(lock)));
  }
  return nullptr;
}

RunFolder::~RunFolder() {
  // The lock file cannot be removed while it is open here.
  CloseHandle(reinterpret_cast<HANDLE>(lock_));
  std::error_code error;
  fs::remove_all(path_, error);
}

bool RunFolder::InUse(const fs::path& folder) {
  const HANDLE lock = CreateFileW((folder / kLockName).c_str(), GENERIC_READ, 0, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (lock != INVALID_HANDLE_VALUE) {
    CloseHandle(lock);
    return false;
  }
  // The lock file is made already locked; a folder without one may be being made.
  const DWORD error = GetLastError();
  if (error == ERROR_FILE_NOT_FOUND) return JustMade(folder);
  return error == ERROR_SHARING_VIOLATION;
}

bool SameVolume(const fs::path& a, const fs::path& b) {
  wchar_t first[MAX_PATH + 1] = {}, second[MAX_PATH + 1] = {};
  return GetVolumePathNameW(a.c_str(), first, MAX_PATH) &&
         GetVolumePathNameW(b.c_str(), second, MAX_PATH) && _wcsicmp(first, second) == 0;
}

}  // namespace quill::platform

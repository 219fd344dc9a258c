#include "platform/win32/Win32Processes.h"

#include <cstring>
#include <string>
#include <vector>

#include "platform/AnsiCodePage.h"
#include "platform/win32/WindowsApi.h"

// After WindowsApi.h, so that the generic names stay the ANSI ones.
#include <tlhelp32.h>

namespace quill::platform::win32 {
namespace {

// Closes a kernel handle when it goes out of scope.
class HandleGuard {
 public:
  explicit HandleGuard(HANDLE handle) : handle_(handle) {}
  HandleGuard(const HandleGuard&) = delete;
  HandleGuard& operator=(const HandleGuard&) = delete;
  ~HandleGuard() {
    if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }

 private:
  HANDLE handle_;
};

WORD ShowCommand(WindowStyle style) {
  switch (style) {
    case WindowStyle::Hidden:
      return SW_HIDE;
    case WindowStyle::NormalFocus:
      return SW_SHOWNORMAL;
    case WindowStyle::MinimizedFocus:
      return SW_SHOWMINIMIZED;
    case WindowStyle::MaximizedFocus:
      return SW_SHOWMAXIMIZED;
  }
  return SW_SHOWNORMAL;
}

bool IsExistingFile(const std::string& ansiPath) {
  if (ansiPath.find('"') != std::string::npos) return false;
  const DWORD attributes = GetFileAttributesA(ansiPath.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// szExeFile up to its first NUL, never past the end of the field.
std::string ExeFileName(const PROCESSENTRY32& entry) {
  const char* name = entry.szExeFile;
  const void* end = std::memchr(name, '\0', sizeof entry.szExeFile);
  const std::size_t length = end != nullptr
                                 ? static_cast<std::size_t>(static_cast<const char*>(end) - name)
                                 : sizeof entry.szExeFile;
  return AnsiToUtf8(std::string(name, length));
}

}  // namespace

std::vector<ProcessEntry> Win32Processes::Snapshot() {
  std::vector<ProcessEntry> processes;
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return processes;
  const HandleGuard guard(snapshot);

  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    processes.push_back(ProcessEntry{entry.th32ProcessID, ExeFileName(entry)});
  }
  return processes;
}

bool Win32Processes::Terminate(std::uint32_t id, std::uint32_t exitCode) {
  const HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, id);
  if (process == nullptr) return false;
  const HandleGuard guard(process);
  return TerminateProcess(process, exitCode) != 0;
}

bool Win32Processes::Start(const std::string& commandLine, WindowStyle style) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = ShowCommand(style);
  PROCESS_INFORMATION started{};

  // CreateProcessA may write into the command line, so it gets its own copy.
  std::string command = Utf8ToAnsi(commandLine);
  if (command.empty()) return false;
  // A command line that is one program path with blanks in it ("C:\Program Files\...")
  // would be tried piece by piece ("C:\Program.exe" first): quote it, so that exactly
  // that program starts.
  if (IsExistingFile(command)) command = '"' + command + '"';
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &started)) {
    return false;
  }
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
  return true;
}

}  // namespace quill::platform::win32

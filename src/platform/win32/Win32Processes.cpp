#include "platform/win32/Win32Processes.h"

#include <climits>
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

// The command line as CreateProcessA takes it. CreateProcessA may write into it, so it is a
// copy of its own.
std::string CommandLineFor(const std::string& commandLine) {
  std::string command = Utf8ToAnsi(commandLine);
  // A command line that is one program path with blanks in it ("C:\Program Files\...")
  // would be tried piece by piece ("C:\Program.exe" first): quote it, so that exactly
  // that program starts.
  if (!command.empty() && IsExistingFile(command)) command = '"' + command + '"';
  return command;
}

// What a console program wrote into a pipe: text in the OEM code page.
std::string OemToUtf8(const std::string& oem) {
  if (oem.empty() || oem.size() > static_cast<std::size_t>(INT_MAX)) return {};
  const int length = static_cast<int>(oem.size());
  const int wideLength = MultiByteToWideChar(CP_OEMCP, 0, oem.data(), length, nullptr, 0);
  if (wideLength <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
  MultiByteToWideChar(CP_OEMCP, 0, oem.data(), length, wide.data(), wideLength);
  const int size =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return {};
  std::string text(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, text.data(), size, nullptr, nullptr);
  return text;
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

  std::string command = CommandLineFor(commandLine);
  if (command.empty()) return false;
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &started)) {
    return false;
  }
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
  return true;
}

ProcessRun Win32Processes::Run(const std::string& commandLine, WindowStyle style) {
  ProcessRun run;
  std::string command = CommandLineFor(commandLine);
  if (command.empty()) return run;
  // Standard output and error go into one pipe, whose read end this process keeps; standard
  // input is the NUL device.
  SECURITY_ATTRIBUTES inherited{};
  inherited.nLength = sizeof inherited;
  inherited.bInheritHandle = TRUE;
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherited, 0)) return run;
  const HandleGuard readGuard(readEnd);
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  HANDLE input = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                             OPEN_EXISTING, 0, nullptr);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
  startup.wShowWindow = ShowCommand(style);
  startup.hStdInput = input;
  startup.hStdOutput = writeEnd;
  startup.hStdError = writeEnd;
  PROCESS_INFORMATION started{};
  const DWORD flags = style == WindowStyle::Hidden ? CREATE_NO_WINDOW : 0;
  const BOOL created = CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, flags,
                                      nullptr, nullptr, &startup, &started);
  // The child holds its own copies: once they close, the pipe reports its end.
  CloseHandle(writeEnd);
  if (input != INVALID_HANDLE_VALUE) CloseHandle(input);
  if (!created) return run;
  const HandleGuard threadGuard(started.hThread);
  const HandleGuard processGuard(started.hProcess);
  run.started = true;
  std::string output;
  char buffer[4096];
  for (DWORD got = 0; ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0;)
    output.append(buffer, got);
  WaitForSingleObject(started.hProcess, INFINITE);
  DWORD exitCode = 0;
  GetExitCodeProcess(started.hProcess, &exitCode);
  run.exitCode = exitCode;
  run.output = OemToUtf8(output);
  return run;
}

}  // namespace quill::platform::win32

#include "platform/CommandLine.h"

#ifdef _WIN32
#include <windows.h>
// After windows.h.
#include <shellapi.h>

#include "platform/Utf16.h"
#endif

namespace quill::platform {

std::string ArgumentsOf(const std::string& raw) {
  std::size_t at = raw.find_first_not_of(' ');
  if (at == std::string::npos) return std::string();
  if (raw[at] == '"') {
    const std::size_t close = raw.find('"', at + 1);
    if (close == std::string::npos) return std::string();
    at = close + 1;
  } else {
    at = raw.find(' ', at);
    if (at == std::string::npos) return std::string();
  }
  const std::size_t first = raw.find_first_not_of(' ', at);
  if (first == std::string::npos) return std::string();
  const std::string rest = raw.substr(first, raw.find_last_not_of(' ') + 1 - first);
  const bool quotedWhole = rest.size() >= 2 && rest.front() == '"' && rest.back() == '"' &&
                           rest.find('"', 1) == rest.size() - 1;
  return quotedWhole ? rest.substr(1, rest.size() - 2) : rest;
}

std::string ProgramArguments([[maybe_unused]] int argc, [[maybe_unused]] char** argv) {
#ifdef _WIN32
  const wchar_t* line = GetCommandLineW();
  if (line == nullptr) return std::string();
  return ArgumentsOf(Utf16ToUtf8(reinterpret_cast<const char16_t*>(line)));
#else
  std::string text;
  for (int i = 1; i < argc; ++i) text += (i > 1 ? " " : "") + std::string(argv[i]);
  return text;
#endif
}

std::vector<std::string> ProgramArgumentList(int argc, char** argv) {
#ifdef _WIN32
  (void)argc;
  (void)argv;
  std::vector<std::string> arguments;
  int count = 0;
  wchar_t** pieces = CommandLineToArgvW(GetCommandLineW(), &count);
  if (pieces == nullptr) return arguments;
  for (int i = 1; i < count; ++i)
    arguments.push_back(Utf16ToUtf8(reinterpret_cast<const char16_t*>(pieces[i])));
  LocalFree(pieces);
  return arguments;
#else
  return std::vector<std::string>(argv + 1, argv + argc);
#endif
}

}  // namespace quill::platform

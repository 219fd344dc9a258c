#include "platform/posix/PosixProcesses.h"

#include "platform/Text.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace quill::platform::posix {
namespace fs = std::filesystem;

namespace {

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool EndsWithExe(const std::string& text) {
  return text.size() >= 4 && EndsWithIgnoringCase(text, ".exe");
}

bool OnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return false;
  std::string folders = path;
  std::size_t start = 0;
  while (start <= folders.size()) {
    std::size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    const fs::path candidate = fs::path(folders.substr(start, end - start)) / program;
    if (access(candidate.c_str(), X_OK) == 0) return true;
    start = end + 1;
  }
  return false;
}

// The desktop's text editor: the first graphical editor found, else whatever xdg-open picks.
std::string TextEditor() {
  static const char* const kEditors[] = {
      "gnome-text-editor", "gedit",  "kate", "mousepad", "xed", "pluma", "kwrite",
      "featherpad",        "leafpad"};
  for (const char* editor : kEditors)
    if (OnPath(editor)) return editor;
  return "xdg-open";
}

// Splits a Windows command line into the program and its arguments. An unquoted program
// path may hold blanks: it runs up to the first ".exe" that ends a word.
std::pair<std::string, std::string> SplitCommandLine(const std::string& commandLine) {
  std::string text = commandLine;
  while (!text.empty() && text.front() == ' ') text.erase(0, 1);
  if (!text.empty() && text.front() == '"') {
    const std::size_t close = text.find('"', 1);
    if (close == std::string::npos) return {text.substr(1), ""};
    std::string rest = text.substr(close + 1);
    while (!rest.empty() && rest.front() == ' ') rest.erase(0, 1);
    return {text.substr(1, close - 1), rest};
  }
  const std::string lower = Lower(text);
  for (std::size_t at = lower.find(".exe"); at != std::string::npos;
       at = lower.find(".exe", at + 1)) {
    const std::size_t end = at + 4;
    if (end == text.size() || text[end] == ' ')
      return {text.substr(0, end), end == text.size() ? "" : text.substr(end + 1)};
  }
  const std::size_t blank = text.find(' ');
  if (blank == std::string::npos) return {text, ""};
  return {text.substr(0, blank), text.substr(blank + 1)};
}

std::string Unquote(std::string text) {
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
    return text.substr(1, text.size() - 2);
  return text;
}

}  // namespace

std::vector<std::string> HostCommandFor(const std::string& commandLine, const WinePrefix& prefix) {
  const auto [program, arguments] = SplitCommandLine(commandLine);
  const std::string name = Lower(BaseName(program));
  const std::string argument = prefix.ToHostPath(Unquote(arguments));
  if (name == "notepad.exe") return {TextEditor(), argument};
  if (name == "hh.exe") return {"xdg-open", argument};
  if (name == "explorer.exe" || name == "explorer") {
    // "explorer /n,FOLDER" opens the folder in a new window.
    std::string folder = Unquote(arguments);
    if (Lower(folder.substr(0, 3)) == "/n,") folder = folder.substr(3);
    return {"xdg-open", prefix.ToHostPath(folder)};
  }
  std::vector<std::string> argv{"wine", program};
  if (!arguments.empty()) argv.push_back(arguments);
  return argv;
}

std::string SnapshotName(const std::string& commandLine0, const std::string& comm) {
  if (EndsWithExe(commandLine0)) return BaseName(commandLine0);
  return comm;
}

PosixProcesses::PosixProcesses(const WinePrefix& prefix, std::string procRoot, Launcher launcher)
    : prefix_(prefix),
      procRoot_(std::move(procRoot)),
      launcher_(launcher ? std::move(launcher) : Launcher(LaunchDetached)) {}

std::vector<ProcessEntry> PosixProcesses::Snapshot() {
  std::vector<ProcessEntry> entries;
  std::error_code error;
  for (fs::directory_iterator it(procRoot_, error), end; !error && it != end; it.increment(error)) {
    const std::string pid = it->path().filename().string();
    if (pid.empty() || !std::all_of(pid.begin(), pid.end(), ::isdigit)) continue;
    std::ifstream cmdline(it->path() / "cmdline", std::ios::binary);
    std::string first;
    std::getline(cmdline, first, '\0');
    std::ifstream commFile(it->path() / "comm");
    std::string comm;
    std::getline(commFile, comm);
    if (first.empty() && comm.empty()) continue;
    entries.push_back({static_cast<std::uint32_t>(std::stoul(pid)), SnapshotName(first, comm)});
  }
  return entries;
}

bool PosixProcesses::Terminate(std::uint32_t id, std::uint32_t /*exitCode*/) {
  if (id == 0 || static_cast<pid_t>(id) == getpid()) return false;
  return kill(static_cast<pid_t>(id), SIGTERM) == 0;
}

bool PosixProcesses::Start(const std::string& commandLine, WindowStyle /*style*/) {
  return launcher_(HostCommandFor(commandLine, prefix_));
}

bool LaunchDetached(const std::vector<std::string>& argv) {
  if (argv.empty() || !OnPath(argv[0])) return false;
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  const pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    // The grandchild runs the program; the child ends at once, so nobody waits for it.
    setsid();
    if (fork() == 0) {
      execvp(args[0], args.data());
      _exit(127);
    }
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace quill::platform::posix

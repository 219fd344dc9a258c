#include "platform/posix/PosixProcesses.h"

#include "platform/Text.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
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

ProcessRun PosixProcesses::Run(const std::string& commandLine, WindowStyle /*style*/) {
  const HostRun run = RunHostProgram(HostCommandFor(commandLine, prefix_));
  ProcessRun result;
  result.started = run.started;
  result.exitCode = static_cast<std::uint32_t>(run.exitStatus);
  result.output = run.out + run.err;
  return result;
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

namespace {

// Closes a file descriptor when it goes out of scope, unless it was closed before.
class Descriptor {
 public:
  Descriptor() = default;
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() { Close(); }
  int& fd() { return fd_; }
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
};

bool MakePipe(Descriptor& readEnd, Descriptor& writeEnd) {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) return false;
  readEnd.fd() = ends[0];
  writeEnd.fd() = ends[1];
  return true;
}

// SIGPIPE held back on this thread while a child's standard input is written: a child that
// ends without reading it makes the write fail with EPIPE instead of ending this program.
class SigpipeHeld {
 public:
  SigpipeHeld() {
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, &previous_);
  }
  SigpipeHeld(const SigpipeHeld&) = delete;
  SigpipeHeld& operator=(const SigpipeHeld&) = delete;
  ~SigpipeHeld() {
    // A SIGPIPE raised meanwhile is taken off before the mask is restored.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    sigset_t pending;
    sigpending(&pending);
    if (sigismember(&pending, SIGPIPE) == 1 && sigismember(&previous_, SIGPIPE) == 0) {
      const timespec now{0, 0};
      sigtimedwait(&pipe, nullptr, &now);
    }
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
  }

 private:
  sigset_t previous_;
};

}  // namespace

HostRun RunHostProgram(const std::vector<std::string>& argv, const std::string& input) {
  HostRun run;
  if (argv.empty()) {
    run.problem = "no program was named";
    return run;
  }
  Descriptor inRead, inWrite, outRead, outWrite, errRead, errWrite;
  if (!MakePipe(inRead, inWrite) || !MakePipe(outRead, outWrite) || !MakePipe(errRead, errWrite)) {
    run.problem = std::strerror(errno);
    return run;
  }
  // The input is written as the child takes it, so that neither waits for the other.
  ::fcntl(inWrite.fd(), F_SETFL, ::fcntl(inWrite.fd(), F_GETFL) | O_NONBLOCK);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, inRead.fd(), STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, outWrite.fd(), STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, errWrite.fd(), STDERR_FILENO);
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  pid_t child = 0;
  const int spawned = posix_spawnp(&child, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  inRead.Close();
  outWrite.Close();
  errWrite.Close();
  if (spawned != 0) {
    run.problem = std::strerror(spawned);
    return run;
  }
  run.started = true;

  {
    const SigpipeHeld held;
    std::size_t written = 0;
    if (input.empty()) inWrite.Close();
    std::array<char, 4096> buffer;
    while (outRead.fd() >= 0 || errRead.fd() >= 0) {
      std::array<pollfd, 3> watched = {pollfd{inWrite.fd(), POLLOUT, 0},
                                       pollfd{outRead.fd(), POLLIN, 0},
                                       pollfd{errRead.fd(), POLLIN, 0}};
      if (::poll(watched.data(), watched.size(), -1) < 0) {
        if (errno == EINTR) continue;
        break;
      }
      if (watched[0].revents != 0) {
        const ssize_t put = ::write(inWrite.fd(), input.data() + written, input.size() - written);
        if (put < 0 && errno != EINTR && errno != EAGAIN) inWrite.Close();
        if (put > 0) written += static_cast<std::size_t>(put);
        if (written == input.size()) inWrite.Close();
      }
      for (std::size_t i = 1; i < watched.size(); ++i) {
        if (watched[i].revents == 0) continue;
        Descriptor& from = i == 1 ? outRead : errRead;
        std::string& to = i == 1 ? run.out : run.err;
        const ssize_t got = ::read(from.fd(), buffer.data(), buffer.size());
        if (got > 0)
          to.append(buffer.data(), static_cast<std::size_t>(got));
        else if (got == 0 || (errno != EINTR && errno != EAGAIN))
          from.Close();
      }
    }
    inWrite.Close();
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status))
    run.exitStatus = WEXITSTATUS(status);
  else if (WIFSIGNALED(status))
    run.exitStatus = 128 + WTERMSIG(status);
  return run;
}

}  // namespace quill::platform::posix

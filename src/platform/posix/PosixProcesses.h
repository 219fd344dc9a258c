#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/Processes.h"
#include "platform/posix/WinePrefix.h"

namespace quill::platform::posix {

// Starts a host program from its argument vector without waiting for it.
using Launcher = std::function<bool(const std::vector<std::string>& argv)>;

// The host command that stands for a Windows command line: Notepad becomes the desktop's
// text editor, hh.exe and Explorer become xdg-open, any other program runs under wine.
std::vector<std::string> HostCommandFor(const std::string& commandLine, const WinePrefix& prefix);

// The name a process shows in a snapshot: programs running inside Wine under the file name
// of their Windows executable, others under their own name.
std::string SnapshotName(const std::string& commandLine0, const std::string& comm);

class PosixProcesses : public Processes {
 public:
  PosixProcesses(const WinePrefix& prefix, std::string procRoot = "/proc",
                 Launcher launcher = nullptr);

  std::vector<ProcessEntry> Snapshot() override;
  bool Terminate(std::uint32_t id, std::uint32_t exitCode) override;
  bool Start(const std::string& commandLine, WindowStyle style) override;
  // The host command runs to its end; its standard output and error are read together.
  ProcessRun Run(const std::string& commandLine, WindowStyle style) override;

 private:
  WinePrefix prefix_;
  std::string procRoot_;
  Launcher launcher_;
};

// Starts argv[0] (searched in PATH) detached from this process.
bool LaunchDetached(const std::vector<std::string>& argv);

// What a host program run to its end came to.
struct HostRun {
  bool started = false;
  std::string problem;  // why it could not be started
  int exitStatus = -1;  // its exit status; 128 + the signal's number when a signal ended it
  std::string out;      // its standard output
  std::string err;      // its standard error
};

// Runs argv[0] (searched in PATH) with input on its standard input, reads its standard output
// and error, and waits for it to end.
HostRun RunHostProgram(const std::vector<std::string>& argv, const std::string& input = {});

}  // namespace quill::platform::posix

#pragma once
// Process snapshot, termination and starting programs.

#include <cstdint>
#include <string>
#include <vector>

namespace quill::platform {

struct ProcessEntry {
  std::uint32_t id = 0;
  std::string exeFile;  // the executable's file name, as the snapshot gives it
};

// What a program run to its end came to.
struct ProcessRun {
  bool started = false;        // false: the program could not be started at all
  std::uint32_t exitCode = 0;  // its exit status
  std::string output;          // what it wrote to its standard output and error, UTF-8
};

// The window styles the program starts others with (ShowWindow values).
enum class WindowStyle { Hidden = 0, NormalFocus = 1, MinimizedFocus = 2, MaximizedFocus = 3 };

class Processes {
 public:
  virtual ~Processes() = default;
  virtual std::vector<ProcessEntry> Snapshot() = 0;
  // Opens the process for termination and ends it; false when it cannot be opened.
  virtual bool Terminate(std::uint32_t id, std::uint32_t exitCode) = 0;
  // Starts a command line (program path, a blank, its arguments) without waiting for it.
  virtual bool Start(const std::string& commandLine, WindowStyle style) = 0;
  // Starts a command line as Start does and waits for it to end.
  virtual ProcessRun Run(const std::string& commandLine, WindowStyle style) = 0;
};

}  // namespace quill::platform

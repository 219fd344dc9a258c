// Programs run to their end through the Win32 process calls: the exit status and what they
// wrote come back, and a program that is not there is not started.

#include "platform/win32/Win32Processes.h"

#include <gtest/gtest.h>

namespace quill::platform::win32 {
namespace {

TEST(Win32Processes, AProgramRunsToItsEndAndSaysHowItWent) {
  struct Case {
    std::string commandLine;
    bool started;
    std::uint32_t exitCode;
    std::string output;
  };
  const std::vector<Case> cases = {
      {"cmd /c \"echo out& echo err 1>&2& exit 3\"", true, 3, "out\r\nerr \r\n"},
      {"cmd /c exit 0", true, 0, ""},
      {"quillstow-no-such-program.exe /x", false, 0, ""},
  };
  Win32Processes processes;
  for (const auto& c : cases) {
    const ProcessRun run = processes.Run(c.commandLine, WindowStyle::Hidden);
    EXPECT_EQ(run.started, c.started) << c.commandLine;
    EXPECT_EQ(run.exitCode, c.exitCode) << c.commandLine;
    EXPECT_EQ(run.output, c.output) << c.commandLine;
  }
}

}  // namespace
}  // namespace quill::platform::win32

#include "platform/posix/PosixProcesses.h"

#include <gtest/gtest.h>

#include <csignal>

#include "support/TestPrefix.h"

namespace quill::platform::posix {
namespace {

TEST(PosixProcesses, ProgramsInsideWineShowUnderTheirWindowsNames) {
  const std::vector<std::tuple<std::string, std::string, std::string>> cases = {
      {"C:\\Program Files (x86)\\Windows Live\\Mail\\wlmail.exe", "wlmail.exe", "wlmail.exe"},
      {"C:\\PROGRA~1\\WLMAIL.EXE", "WLMAIL.EXE", "WLMAIL.EXE"},
      {"/usr/bin/bash", "bash", "bash"},
      {"", "kworker/0:1", "kworker/0:1"},
      {"/opt/wine/bin/wineserver", "wineserver", "wineserver"},
  };
  for (const auto& [argv0, comm, expected] : cases)
    EXPECT_EQ(SnapshotName(argv0, comm), expected) << argv0;
}

TEST(PosixProcesses, SnapshotReadsTheProcessTable) {
  test::TempDir proc;
  test::WriteFile(proc.path() / "42" / "cmdline", std::string("C:\\x\\WLMAIL.EXE\0/arg\0", 21));
  test::WriteFile(proc.path() / "42" / "comm", "wlmail.exe\n");
  test::WriteFile(proc.path() / "7" / "cmdline", std::string("/bin/sh\0", 8));
  test::WriteFile(proc.path() / "7" / "comm", "sh\n");
  test::WriteFile(proc.path() / "self" / "comm", "x\n");
  test::TestPrefix prefix;
  const WinePrefix wine = prefix.winePrefix();
  PosixProcesses processes(wine, proc.text());
  auto entries = processes.Snapshot();
  std::sort(entries.begin(), entries.end(), [](auto& a, auto& b) { return a.id < b.id; });
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].id, 7u);
  EXPECT_EQ(entries[0].exeFile, "sh");
  EXPECT_EQ(entries[1].id, 42u);
  EXPECT_EQ(entries[1].exeFile, "WLMAIL.EXE");
}

TEST(PosixProcesses, WindowsCommandLinesBecomeDesktopCommands) {
  test::TestPrefix prefix;
  const WinePrefix wine = prefix.winePrefix();
  const std::string drive = std::filesystem::canonical(prefix.prefix() / "drive_c").string();
  const auto command = [&](const std::string& line) { return HostCommandFor(line, wine); };

  const auto editor = command("C:\\windows\\notepad.exe /opt/quill/brlog.dat");
  ASSERT_EQ(editor.size(), 2u);
  EXPECT_EQ(editor[1], "/opt/quill/brlog.dat");
  EXPECT_EQ(command("C:\\windows\\hh.exe /opt/quill/help.chm"),
            (std::vector<std::string>{"xdg-open", "/opt/quill/help.chm"}));
  EXPECT_EQ(command("explorer.exe C:\\users\\root\\Documents"),
            (std::vector<std::string>{"xdg-open", drive + "/users/root/Documents"}));
  EXPECT_EQ(command("explorer /n,/backups/"), (std::vector<std::string>{"xdg-open", "/backups/"}));
  EXPECT_EQ(command("C:\\Program Files (x86)\\Windows Live\\Mail\\wlmail.exe"),
            (std::vector<std::string>{"wine",
                                      "C:\\Program Files (x86)\\Windows Live\\Mail\\wlmail.exe"}));
  EXPECT_EQ(command("\"C:\\a b\\x.exe\" /q"),
            (std::vector<std::string>{"wine", "C:\\a b\\x.exe", "/q"}));
}

TEST(PosixProcesses, StartHandsTheHostCommandToTheLauncher) {
  test::TestPrefix prefix;
  const WinePrefix wine = prefix.winePrefix();
  std::vector<std::string> started;
  PosixProcesses processes(wine, "/proc", [&](const std::vector<std::string>& argv) {
    started = argv;
    return false;
  });
  EXPECT_FALSE(processes.Start("C:\\windows\\hh.exe /x/help.chm", WindowStyle::NormalFocus));
  EXPECT_EQ(started, (std::vector<std::string>{"xdg-open", "/x/help.chm"}));
  EXPECT_FALSE(LaunchDetached({"quillstow-no-such-program"}));
}

// A program run to its end: what it wrote to each stream and its exit status, its input fed
// whole even when it is larger than a pipe holds, and a program that is not there.
TEST(PosixProcesses, AProgramRunsToItsEndAndSaysHowItWent) {
  const std::string large(1 << 20, 'x');
  struct Case {
    std::vector<std::string> argv;
    std::string input;
    bool started;
    int status;
    std::string out, err;
  };
  const std::vector<Case> cases = {
      {{"sh", "-c", "echo out; echo err >&2; exit 3"}, "", true, 3, "out\n", "err\n"},
      {{"cat"}, large, true, 0, large, ""},
      {{"sh", "-c", "cat >/dev/null; echo read >&2"}, large, true, 0, "", "read\n"},
      {{"sh", "-c", "exit 0"}, large, true, 0, "", ""},  // ends without reading its input
      {{"sh", "-c", "kill -TERM $$"}, "", true, 128 + SIGTERM, "", ""},
      {{"quillstow-no-such-program"}, "", false, -1, "", ""},
  };
  for (const auto& c : cases) {
    const HostRun run = RunHostProgram(c.argv, c.input);
    EXPECT_EQ(run.started, c.started) << c.argv[0];
    EXPECT_EQ(run.exitStatus, c.status) << c.argv.back();
    EXPECT_EQ(run.out.size(), c.out.size()) << c.argv.back();
    EXPECT_TRUE(run.out == c.out) << c.argv.back();
    EXPECT_EQ(run.err, c.err) << c.argv.back();
    if (!c.started) {
      EXPECT_EQ(run.problem, "No such file or directory");
    }
  }
}

}  // namespace
}  // namespace quill::platform::posix

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "core/SharedServices.h"
#include "support/TestPrefix.h"

extern char** environ;

// What the shared services do over a Wine prefix alone: start programs through the launcher,
// end processes by their Windows name, and fail on a full disk.

namespace quill::core {
namespace {

class SharedServicesPosixTest : public ::testing::Test {
 protected:
  test::TestPrefix prefix;
  std::vector<std::vector<std::string>> started;
  std::unique_ptr<platform::posix::PosixPlatform> platform =
      prefix.MakePlatform([this](const std::vector<std::string>& argv) {
        started.push_back(argv);
        return true;
      });
  test::RecordingPrompter prompter;
  registry::RegistryKeys reg{platform->registry()};
  SharedServices services{*platform, reg};
};

TEST_F(SharedServicesPosixTest, StartsTheMailClientTheEditorAndHelp) {
  const std::string app = prefix.app().string();
  services.StartMailClient();
  EXPECT_FALSE(services.OpenHelp()) << "there is no help file";
  std::ofstream(prefix.app() / "help.chm") << "help";
  EXPECT_TRUE(services.OpenHelp());
  EXPECT_TRUE(services.OpenLogInEditor());
  ASSERT_EQ(started.size(), 3u);
  EXPECT_EQ(started[0], (std::vector<std::string>{
                            "wine", "C:\\Program Files (x86)\\Windows Live\\Mail\\wlmail.exe"}));
  EXPECT_EQ(started[1], (std::vector<std::string>{"xdg-open", app + "/help.chm"}));
  EXPECT_EQ(started[2].back(), app + "/brlog.dat");
}

TEST_F(SharedServicesPosixTest, EndProcessesStopsEveryInstanceWhateverItsCase) {
  // Programs inside Wine carry their Windows path as their first argument.
  const auto spawn = [](const char* windowsName) {
    pid_t pid = 0;
    char* argv[] = {const_cast<char*>(windowsName), const_cast<char*>("60"), nullptr};
    EXPECT_EQ(posix_spawn(&pid, "/bin/sleep", nullptr, nullptr, argv, environ), 0);
    return pid;
  };
  const pid_t upper = spawn("C:\\Program Files\\Windows Live\\Mail\\WLMAIL.EXE");
  const pid_t lower = spawn("C:\\Program Files\\Windows Live\\Mail\\wlmail.exe");
  const pid_t other = spawn("C:\\windows\\notepad.exe");
  // Wait until the process table shows the new names.
  for (int i = 0; i < 100; ++i) {
    int seen = 0;
    for (const auto& p : platform->processes().Snapshot())
      if (p.id == static_cast<std::uint32_t>(upper) || p.id == static_cast<std::uint32_t>(lower))
        seen += p.exeFile.size() == 10 ? 1 : 0;
    if (seen == 2) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  services.EndProcesses("wlmail.exe");
  int status = 0;
  ASSERT_EQ(waitpid(upper, &status, 0), upper);
  EXPECT_TRUE(WIFSIGNALED(status));
  ASSERT_EQ(waitpid(lower, &status, 0), lower);
  EXPECT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(waitpid(other, &status, WNOHANG), 0) << "another program keeps running";
  kill(other, SIGKILL);
  waitpid(other, &status, 0);
}

TEST_F(SharedServicesPosixTest, AppendLogLineFailsOnAFullDisk) {
  EXPECT_FALSE(SharedServices::AppendLogLine("/dev/full", "lost"));
}

}  // namespace
}  // namespace quill::core

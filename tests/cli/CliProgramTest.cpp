// What only a run inside the test can see: the programs quillstow-cli starts or stops. Its
// commands and options as users run them are CliProcessTest's.

#include "cli/CliProgram.h"

#include <spawn.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <thread>

#include "support/BackupSetup.h"

extern char** environ;

namespace quill::cli {
namespace {
namespace fs = std::filesystem;

class CliProgramTest : public ::testing::Test {
 protected:
  test::BackupSetup setup;
  std::ostringstream out, err;
  int Run(std::vector<std::string> arguments) {
    out.str("");
    err.str("");
    return RunCli(arguments, *setup.platform, out, err);
  }
};

TEST_F(CliProgramTest, ABackupFromTheTerminalStopsStartsAndOpensNothing) {
  // The window's settings ask to stop the mail client before a backup, start it afterwards,
  // open the folder and write a disc: a terminal backup does none of it.
  for (const core::Setting& setting :
       {core::settings::kCloseMailBeforeBackup, core::settings::kStartMailAfterBackup,
        core::settings::kOpenFolderAfterBackup, core::settings::kWriteDiscAfterBackup})
    setup.settings->Save(setting, "1");
  pid_t mail = 0;
  char* argv[] = {const_cast<char*>("C:\\Program Files\\Windows Live\\Mail\\wlmail.exe"),
                  const_cast<char*>("60"), nullptr};
  ASSERT_EQ(posix_spawn(&mail, "/bin/sleep", nullptr, nullptr, argv, environ), 0);
  // The process table shows it under its Windows name before the backup starts.
  bool seen = false;
  for (int i = 0; i < 100 && !seen; ++i) {
    for (const auto& process : setup.platform->processes().Snapshot())
      seen = seen ||
             (process.id == static_cast<std::uint32_t>(mail) && process.exeFile == "wlmail.exe");
    if (!seen) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(seen) << "the stand-in mail client shows in the process table";
  const int status = Run({"backup", setup.Target("cli.wlm"), "--items", "00000001000"});
  int state = 0;
  EXPECT_EQ(waitpid(mail, &state, WNOHANG), 0) << "the mail client keeps running";
  kill(mail, SIGKILL);
  waitpid(mail, &state, 0);
  EXPECT_EQ(status, 0) << err.str();
  EXPECT_TRUE(setup.started.empty()) << "nothing is started or opened";
}

}  // namespace
}  // namespace quill::cli

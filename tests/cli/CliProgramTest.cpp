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

TEST_F(CliProgramTest, RefusesCommandLinesItDoesNotKnow) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"backup"},
      {"frob", "x.wlm"},
      {"backup", "x.wlm", "--items"},
      {"backup", "x.wlm", "--items", "111"},
      {"backup", "x.wlm", "--items", "1111111111x"},
      {"restore", "x.wlm", "--force", "1"},
  };
  for (const auto& arguments : cases) {
    EXPECT_EQ(Run(arguments), 2);
    EXPECT_NE(err.str().find("usage: quillstow-cli"), std::string::npos);
    EXPECT_TRUE(setup.AppFolderFiles().empty()) << "nothing is logged";
  }
}

TEST_F(CliProgramTest, BacksUpInspectsAndRestores) {
  const std::string file = setup.Target("cli.wlm");
  ASSERT_EQ(Run({"backup", file, "--items", "01000100000", "--password", "pw", "--description",
                 "weekly"}),
            0)
      << err.str();
  EXPECT_NE(out.str().find("Backup Mail Rules\tSuccessed!\nBackup Contacts\tSuccessed!"),
            std::string::npos)
      << out.str();

  ASSERT_EQ(Run({"inspect", file, "--password", "pw"}), 0);
  EXPECT_NE(out.str().find("Computer: VM\nUser: anna\n"), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("Description: weekly\nItems:\n  2 Mail Rules\n  6 Contacts\n"),
            std::string::npos)
      << out.str();

  EXPECT_EQ(Run({"inspect", file, "--password", "wrong"}), 1);
  EXPECT_NE(out.str().find("Incorect Password or Invalid backup file"), std::string::npos);
  EXPECT_EQ(Run({"restore", file}), 1) << "no password given";

  const fs::path contacts = setup.profile() / "AppData/Local/Microsoft/Windows Live Contacts";
  fs::remove_all(contacts);
  ASSERT_EQ(Run({"restore", file, "--password", "pw"}), 0) << out.str() << err.str();
  EXPECT_NE(out.str().find("Restore Mail Rules\tSuccessed!\nRestore Contacts\tSuccessed!"),
            std::string::npos);
  EXPECT_TRUE(
      fs::exists(contacts / "{2A4C6E8F-1B3D-4F5A-8C7E-9D0F1A2B3C4D}" / "DBStore" / "contacts.edb"));
  EXPECT_NE(test::ReadFile(setup.logFile()).find("Start Retore Data to User Profile anna"),
            std::string::npos);
}

TEST_F(CliProgramTest, VerifiesABackupFile) {
  const std::string file = setup.Target("cli.wlm");
  ASSERT_EQ(Run({"backup", file, "--password", "pw"}), 0);
  EXPECT_EQ(Run({"verify", file, "--password", "pw"}), 0);
  EXPECT_NE(out.str().find("reads whole"), std::string::npos) << out.str();
  EXPECT_EQ(Run({"verify", file, "--password", "px"}), 1);
  EXPECT_NE(out.str().find("Problem:"), std::string::npos) << out.str();
  std::string bytes = test::ReadFile(file);
  bytes[bytes.size() / 3] = static_cast<char>(bytes[bytes.size() / 3] ^ 0x40);
  test::WriteFile(file, bytes);
  EXPECT_EQ(Run({"verify", file, "--password", "pw"}), 1);
}

TEST_F(CliProgramTest, ARestoreWithAFailedItemEndsNonZero) {
  const std::string file = setup.Target("cli.wlm");
  ASSERT_EQ(Run({"backup", file, "--items", "01000000000"}), 0);
  const std::string mail = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows Live Mail";
  for (const std::string& key : setup.reg->GetSubKeys(mail))
    setup.reg->DeleteKeyTree(mail + "\\" + key);
  EXPECT_EQ(Run({"restore", file}), 1);
  EXPECT_NE(out.str().find("Restore Mail Rules\tFail!"), std::string::npos);
  EXPECT_EQ(Run({"inspect", setup.Target("missing.wlm")}), 1);
  EXPECT_NE(err.str().find("Invalid backup file"), std::string::npos);
}

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

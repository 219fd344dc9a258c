// What only a run inside the test can see: the programs quillstow-cli starts or stops. Its
// commands and options as users run them are CliProcessTest's.

#include "cli/CliProgram.h"

#include <spawn.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "cli/CliOptions.h"
#include "support/BackupSetup.h"
#include "support/VolumePlatform.h"

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

// A restore saves first what it replaces; undo puts it back byte for byte, the registry key
// too. Where the save cannot be written the restore does not start.
TEST_F(CliProgramTest, UndoPutsBackWhatTheLastRestoreReplaced) {
  // A contact the older backup holds and the profile lost since: the restore joins it to the
  // user's contacts, and the undo takes it away again.
  const fs::path contacts = setup.profile() / "AppData" / "Local" / "Microsoft" /
                            "Windows Live Contacts" / "{8F3B2E1A-6C5D-4E7F-9A0B-1C2D3E4F5A6B}";
  test::WriteFile(contacts / "DBStore" / "older.contact", "older");
  const std::string backup = setup.Target("older.wlm");
  ASSERT_EQ(Run({"backup", backup, "--quiet"}), kExitDone) << err.str();
  // The profile moves on after that backup.
  fs::remove(contacts / "DBStore" / "older.contact");
  test::WriteFile(setup.mailStore() / "Hotmail (bob)" / "newer.eml", "newer");
  test::WriteFile(setup.mailStore() / "Storage Folders" / "Inbox" / "a.eml", "changed");
  fs::remove_all(setup.mailStore() / "news.example.org");
  setup.reg->CreateKey(std::string(core::kMailClientKey) + "\\Rules\\Mail\\999");
  const auto now = setup.ProfileState();

  {
    test::VolumePlatform full(*setup.platform, platform::VolumeSpace{1000, "NTFS", 0});
    std::ostringstream out2, err2;
    EXPECT_EQ(RunCli({"restore", backup}, full, out2, err2), kExitNothing);
    EXPECT_EQ(err2.str().rfind("The Restore was not started: what it would replace could not be "
                               "saved first, so that the restore could be undone (There is not "
                               "enough free space",
                               0),
              0u)
        << err2.str();
    EXPECT_TRUE(setup.ProfileState() == now);
  }
  EXPECT_EQ(Run({"undo"}), kExitNothing);
  EXPECT_NE(err.str().find("There is no restore to undo"), std::string::npos) << err.str();

  ASSERT_EQ(Run({"restore", backup}), kExitDone) << err.str();
  EXPECT_NE(out.str().find("'quillstow-cli undo' puts it back."), std::string::npos);
  EXPECT_FALSE(setup.ProfileState() == now);
  // A damaged line in the list of what the restore added is passed by, not thrown over.
  for (const auto& entry : fs::directory_iterator(setup.app() / "Safety Backups"))
    if (entry.path().extension() == ".added")
      std::ofstream(entry.path(), std::ios::app) << "x\tfoo\n99999999999999999999\tbar\n";
  ASSERT_EQ(Run({"undo"}), kExitDone) << err.str();
  const auto undone = setup.ProfileState();
  EXPECT_EQ(undone.size(), now.size());
  for (const auto& [name, bytes] : now) {
    ASSERT_TRUE(undone.count(name)) << name;
    EXPECT_TRUE(undone.at(name) == bytes) << name << " differs";
  }
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

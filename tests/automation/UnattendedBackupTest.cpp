#include "automation/UnattendedBackup.h"

#include <gtest/gtest.h>

#include "archive/ArchiveReader.h"
#include "support/BackupSetup.h"

namespace quill::automation {
namespace {
namespace fs = std::filesystem;
using test::ReadFile;

class UnattendedBackupTest : public ::testing::Test {
 protected:
  test::BackupSetup setup;
  int Run(const std::string& line) {
    UnattendedBackup run(setup.session(), setup.engine());
    const int status = run.Run(line);
    target = run.target();
    return status;
  }
  std::string Descriptor(const std::string& password = "") {
    return test::EntryText(target, "stowinfo.dat", password, setup.root() / "d");
  }
  std::string target;
};

TEST_F(UnattendedBackupTest, ElevenOnesWithoutPasswordBackUpEverythingUnprotected) {
  ASSERT_EQ(Run("sf=annaxm=11111111111ps=bf=" + setup.Target()), kBackupWritten);
  EXPECT_EQ(target, setup.Target());
  EXPECT_FALSE(archive::ArchiveReader::IsPasswordProtected(target));
  const std::string descriptor = Descriptor();
  EXPECT_NE(descriptor.find("BackupInformation=Auto Backup\r\n"), std::string::npos);
  EXPECT_NE(descriptor.find("BackupItem=11111111111\r\n"), std::string::npos);
  EXPECT_EQ(test::EntryNames(target).size(), 26u);
}

TEST_F(UnattendedBackupTest, APasswordProtectsEveryEntry) {
  ASSERT_EQ(Run("sf=annaxm=00000100000ps=pa ss wordbf=" + setup.Target()), kBackupWritten);
  archive::ArchiveReader zip;
  ASSERT_TRUE(zip.Open(target));
  for (const auto& entry : zip.entries()) EXPECT_TRUE(entry.encrypted) << entry.name;
  zip.SetPassword("pa ss word");
  EXPECT_TRUE(zip.CheckPassword());
  EXPECT_NE(Descriptor("pa ss word").find("BackupItem=00000100000\r\n"), std::string::npos);
}

TEST_F(UnattendedBackupTest, AMaskOfZerosWritesTheDescriptorAlone) {
  ASSERT_EQ(Run("sf=annaxm=00000000000ps=bf=" + setup.Target()), kBackupWritten);
  EXPECT_EQ(test::EntryNames(target), std::vector<std::string>{"stowinfo.dat"});
  EXPECT_NE(Descriptor().find("BackupItem=00000000000\r\n"), std::string::npos);
  const std::string log = ReadFile(setup.logFile());
  EXPECT_NE(log.find("Start Auto Backup User Profile anna Data..."), std::string::npos);
  EXPECT_NE(log.find("Backup File is " + setup.Target()), std::string::npos);
  EXPECT_NE(log.find("Auto Backup User Profile anna Data was Completed!"), std::string::npos);
  EXPECT_EQ(log.find("Succeeded!"), std::string::npos);
  EXPECT_EQ(log.find("Fail!"), std::string::npos);
}

TEST_F(UnattendedBackupTest, TenCharactersLeaveTheCalendarsOut) {
  ASSERT_EQ(Run("sf=annaxm=1111111111ps=bf=" + setup.Target()), kBackupWritten);
  const std::string descriptor = Descriptor();
  EXPECT_NE(descriptor.find("BackupItem=11111111110\r\n"), std::string::npos);
  EXPECT_EQ(descriptor.find("BackupCalendars"), std::string::npos);
  EXPECT_EQ(ReadFile(setup.logFile()).find("Backup Calendars"), std::string::npos);
}

TEST_F(UnattendedBackupTest, ThreeEqualsSignsDoNothingAtAll) {
  test::WriteFile(setup.Target(), "last week's backup");
  EXPECT_EQ(Run("sf=annaxm=11111111111ps=" + setup.Target()), kNotACommandLine);
  EXPECT_EQ(ReadFile(setup.Target()), "last week's backup");
  EXPECT_FALSE(fs::exists(setup.logFile()));
  EXPECT_TRUE(setup.AppFolderFiles().empty());
}

TEST_F(UnattendedBackupTest, ANewFileEachRunLeavesTheDefaultFileAlone) {
  test::WriteFile(setup.Target(), "the default backup");
  setup.settings->Save(core::settings::kNewFileEachRun, "1");
  ASSERT_EQ(Run("sf=annaxm=01000000000ps=bf=" + setup.Target()), kBackupWritten);
  EXPECT_EQ(target, (setup.root() / "anna-12-07-2026-04-31.wlm").string());
  EXPECT_TRUE(fs::exists(target));
  EXPECT_EQ(ReadFile(setup.Target()), "the default backup");
  EXPECT_NE(ReadFile(setup.logFile()).find("Backup File is " + target + "\n"), std::string::npos);
}

TEST_F(UnattendedBackupTest, ReplacingTheDefaultFileKeepsItUntilTheNewOneIsWhole) {
  test::WriteFile(setup.Target(), "the default backup");
  ASSERT_EQ(Run("sf=annaxm=01000000000ps=bf=" + setup.Target()), kBackupWritten);
  EXPECT_EQ(test::EntryNames(setup.Target()).back(), "stowinfo.dat");
}

TEST_F(UnattendedBackupTest, AFileThatCannotBeWrittenEndsWithAFailureStatus) {
  const std::string target = (setup.root() / "gone" / "a.wlm").string();
  EXPECT_EQ(Run("sf=annaxm=11111111111ps=pwbf=" + target), kBackupNotWritten);
  const std::string log = ReadFile(setup.logFile());
  EXPECT_EQ(log.find("Data was Completed!"), std::string::npos);
  EXPECT_NE(log.find("Auto Backup User Profile anna Data was not saved: "), std::string::npos);
  EXPECT_EQ(setup.AppFolderFiles(), std::vector<std::string>{"brlog.dat"});
}

TEST_F(UnattendedBackupTest, AFailedItemEndsWithItsOwnStatusAndTheOthersAreWritten) {
  fs::remove_all(setup.profile() / "AppData" / "Local" / "Microsoft" / "Windows Live Contacts");
  EXPECT_EQ(Run("sf=annaxm=01000100000ps=bf=" + setup.Target()), kItemFailed);
  EXPECT_NE(Descriptor().find("BackupItem=01000000000\r\n"), std::string::npos);
  EXPECT_NE(ReadFile(setup.logFile()).find(" Backup Contacts Fail!\n"), std::string::npos);
}

TEST_F(UnattendedBackupTest, WithoutTheMailClientNothingIsWrittenAndTheLogSaysWhy) {
  setup.reg->DeleteKeyTree(core::kMailClientKey);
  setup.Rediscover();
  EXPECT_EQ(Run("sf=annaxm=11111111111ps=bf=" + setup.Target()), kBackupNotWritten);
  EXPECT_FALSE(fs::exists(setup.Target()));
  EXPECT_NE(ReadFile(setup.logFile())
                .find(" Data was not saved: Your Windows System have not install Windows Live "
                      "Mail \r\r\n"),
            std::string::npos)
      << ReadFile(setup.logFile());
  EXPECT_EQ(setup.AppFolderFiles(), std::vector<std::string>{"brlog.dat"});
}

// "A new file each run" keeps the newest dated backups of the default name: the one just
// written and the newest others up to the number, ordered by the date in their names (which
// does not sort as text); other files stay, and nothing goes before a new file is written.
TEST_F(UnattendedBackupTest, ANewFileEachRunKeepsTheNewestBackupsAndRemovesTheRest) {
  const std::vector<std::string> earlier = {
      "anna-12-06-2026-04-31.wlm", "anna-01-02-2027-09-00.wlm",  // the newest two others
      "anna-11-30-2026-23-59.wlm", "anna-12-31-2025-10-10.wlm",
      "anna-1-2-2026-09-00.wlm",   "anna-notes.wlm",  // no date: never removed
      "bert-01-01-2020-00-00.wlm", "anna-01-01-2020-00-00.txt"};
  struct Case {
    const char* keep;  // settings.dat's value; nullptr: none set
    std::string line;
    int status;
    std::size_t removed;  // of the first four of earlier, the oldest removed
  };
  const std::string gone = (setup.root() / "gone" / "anna.wlm").string();
  const Case cases[] = {
      {"3", "sf=annaxm=01000000000ps=bf=" + setup.Target(), kBackupWritten, 2},
      {nullptr, "sf=annaxm=01000000000ps=bf=" + setup.Target(), kBackupWritten, 0},
      {"0", "sf=annaxm=01000000000ps=bf=" + setup.Target(), kBackupWritten, 0},
      {"1", "sf=annaxm=00000000000ps=bf=" + setup.Target(), kBackupWritten, 4},
      {"1", "sf=annaxm=01000000000ps=bf=" + gone, kBackupNotWritten, 0},
  };
  setup.settings->Save(core::settings::kNewFileEachRun, "1");
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.keep ? c.keep : "unset") + " " + c.line);
    for (const std::string& name : earlier) test::WriteFile(setup.root() / name, name);
    fs::create_directories(setup.root() / "gone");
    if (c.line.find("/gone/") != std::string::npos) fs::remove_all(setup.root() / "gone");
    setup.settings->Save(core::settings::kKeptBackups, c.keep ? c.keep : "");
    fs::remove(setup.logFile());
    ASSERT_EQ(Run(c.line), c.status);
    const std::string log = ReadFile(setup.logFile());
    for (std::size_t i = 0; i < earlier.size(); ++i) {
      const bool removed = i >= 4 - c.removed && i < 4;
      EXPECT_EQ(fs::exists(setup.root() / earlier[i]), !removed) << earlier[i];
      EXPECT_EQ(log.find("Removed Older Backup File " + (setup.root() / earlier[i]).string() +
                         "\n") != std::string::npos,
                removed)
          << log;
    }
    if (c.status == kBackupWritten) {
      EXPECT_TRUE(fs::exists(target));
    }
    fs::remove(target);
  }
}

}  // namespace
}  // namespace quill::automation

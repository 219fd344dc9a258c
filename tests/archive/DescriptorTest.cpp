#include "archive/Descriptor.h"

#include <gtest/gtest.h>

#include "support/TempDir.h"

namespace quill::archive {
namespace {
namespace fs = std::filesystem;
using test::ReadFile;
using test::WriteFile;

TEST(Descriptor, SaveAppendsAndGetFollowsTheReadingRules) {
  test::TempDir dir;
  const std::string file = (dir.path() / "stowinfo.dat").string();
  ASSERT_TRUE(SaveINI("BackupnewsRules", "OBR1A.tmp", file));
  ASSERT_TRUE(SaveINI("BackupInformation", "a=b=c", file));
  ASSERT_TRUE(SaveINI("BackupnewsRules", "second", file));
  ASSERT_TRUE(SaveINI(" Padded", "x", file));
  EXPECT_EQ(ReadFile(file),
            "BackupnewsRules=OBR1A.tmp\r\nBackupInformation=a=b=c\r\nBackupnewsRules=second\r\n"
            " Padded=x\r\n");
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"BackupNewsRules", "OBR1A.tmp"},  // letter case does not count; the first line wins
      {"BACKUPINFORMATION", "a=b=c"},    // further "=" belong to the value
      {"Padded", ""},                    // no trimming
      {" Padded", "x"},
      {"Missing", ""},
  };
  for (const auto& [key, value] : cases) EXPECT_EQ(GetINI(key, file), value) << key;
  EXPECT_EQ(GetINI("x", (dir.path() / "missing").string()), "");
  EXPECT_FALSE(SaveINI("k", "v", (dir.path() / "missing" / "d").string()));
}

TEST(Descriptor, ReadingStopsAtTheFirstEmptyLineAndSkipsLinesWithoutEquals) {
  test::TempDir dir;
  const fs::path file = dir.path() / "stowinfo.dat";
  WriteFile(file, "garbage line\r\nBackupComputer=PC\r\n\r\nBackupLogonUser=anna\r\n");
  EXPECT_EQ(GetINI("BackupComputer", file.string()), "PC");
  EXPECT_EQ(GetINI("BackupLogonUser", file.string()), "");
}

TEST(Descriptor, DescriptionsAndEntryListsKeepTheirShape) {
  EXPECT_EQ(EncodeDescription("a\r\nb"), "aPS$QVTb");
  EXPECT_EQ(DecodeDescription("aPS$QVTb"), "a\r\nb");
  EXPECT_EQ(DecodeDescription(EncodeDescription("x = y\r\n\r\nz")), "x = y\r\n\r\nz");
  EXPECT_EQ(JoinEntryNames({"A.zip", "B.zip"}), "A.zip;B.zip");
  EXPECT_EQ(JoinEntryNames({"only.zip"}), "only.zip");
  EXPECT_EQ(SplitEntryNames(" A.zip ; B.zip;;"), (std::vector<std::string>{"A.zip", "B.zip"}));
  EXPECT_EQ(ItemFlags({false, false, false, false, false, true}), "00000100000");
}

TEST(Descriptor, ReadsWhatABackupHolds) {
  test::TempDir dir;
  const fs::path file = dir.path() / "stowinfo.dat";
  WriteFile(file,
            "BackupComputer=PC\r\nBackupLogonUser=anna\r\nBackupTime=12/8/2026 2:05:33 AM\r\n"
            "BackupInformation=lineAPS$QVTlineB\r\n"
            "Backupmailaccountsandmessages=anna@example.com.zip;WindowsMail.MSMessageStore\r\n"
            "BackupmailRules= OBR1F.tmp \r\nBackupStationeries=a.htm; b c.htm\r\n"
            "BackupItem= 11000000100 \r\n");
  const DescriptorContents read = ReadDescriptor(file.string());
  EXPECT_EQ(read.computer, "PC");
  EXPECT_EQ(read.user, "anna");
  EXPECT_EQ(read.time, "12/8/2026 2:05:33 AM");
  EXPECT_EQ(read.information, "lineA\r\nlineB");
  ASSERT_TRUE(read.valid());
  EXPECT_TRUE(read.Holds(0));
  EXPECT_TRUE(read.Holds(8));
  EXPECT_FALSE(read.Holds(2));
  EXPECT_EQ(read.entries[0],
            (std::vector<std::string>{"anna@example.com.zip", "WindowsMail.MSMessageStore"}));
  EXPECT_EQ(read.entries[1], std::vector<std::string>{"OBR1F.tmp"});
  EXPECT_EQ(read.entries[8], (std::vector<std::string>{"a.htm", "b c.htm"}));
  EXPECT_TRUE(IsMessageStoreName("WindowsMail.MSMessageStore"));
  EXPECT_FALSE(IsMessageStoreName("anna@example.com.zip"));

  for (const std::string flags : {"1100000010", "110000001000", ""}) {
    WriteFile(file, "BackupItem=" + flags + "\r\n");
    EXPECT_FALSE(ReadDescriptor(file.string()).valid()) << flags;
  }
}

}  // namespace
}  // namespace quill::archive

#include "platform/posix/PosixProfileStrings.h"

#include <gtest/gtest.h>

#include "support/TestPrefix.h"

namespace quill::platform::posix {
namespace {

TEST(ProfileStrings, ReadsUnderTheWindowsRules) {
  test::TempDir dir;
  const std::string file = (dir.path() / "settings.dat").string();
  test::WriteFile(file,
                  "; options\r\n[Backup]\r\n  BackupFolder =  C:\\Mail  \r\nquoted=\"  x \"\r\n"
                  "single='y'\r\nhalf=\"z\r\nnovalue\r\n\r\n[General]\r\nburndvd=1\r\n"
                  "ansi=Gr\xfc\xdf"
                  "e\r\n");
  PosixProfileStrings profile;
  const std::vector<std::tuple<std::string, std::string, std::string>> cases = {
      {"Backup", "backupfolder", "C:\\Mail"},
      {"BACKUP", "BACKUPFOLDER", "C:\\Mail"},
      {"Backup", "quoted", "  x "},
      {"Backup", "single", "y"},
      {"Backup", "half", "\"z"},
      {"Backup", "novalue", ""},
      {"Backup", "burndvd", "default"},
      {"general", "burndvd", "1"},
      {"General", "ansi",
       "Gr\xc3\xbc\xc3\x9f"
       "e"},
      {"Missing", "burndvd", "default"},
  };
  for (const auto& [section, key, expected] : cases)
    EXPECT_EQ(profile.GetString(section, key, "default", 128, file), expected)
        << section << "/" << key;
  EXPECT_EQ(profile.GetString("Backup", "x", "default", 128, file + ".missing"), "default");
}

TEST(ProfileStrings, ABufferOfNCharactersHoldsNMinusOne) {
  test::TempDir dir;
  const std::string file = (dir.path() / "s.ini").string();
  PosixProfileStrings profile;
  ASSERT_TRUE(profile.WriteString("S", "k", std::string(200, 'a'), file));
  EXPECT_EQ(profile.GetString("S", "k", "", 128, file), std::string(127, 'a'));
  EXPECT_EQ(profile.GetString("S", "k", "", 1, file), "");
  EXPECT_EQ(profile.GetString("S", "k", "", 0, file), "");
}

TEST(ProfileStrings, WritesCreateFileAndSectionAndKeepEveryOtherLine) {
  test::TempDir dir;
  const std::string file = (dir.path() / "settings.dat").string();
  PosixProfileStrings profile;
  ASSERT_TRUE(profile.WriteString("Backup", "backupfolder", "C:\\x", file));
  ASSERT_TRUE(profile.WriteString("General", "startonwindows", "0", file));
  ASSERT_TRUE(profile.WriteString("backup", "autocloselive", "1", file));
  ASSERT_TRUE(profile.WriteString("BACKUP", "BackupFolder", "D:\\y", file));
  EXPECT_EQ(
      test::ReadFile(file),
      "[Backup]\r\nBackupFolder=D:\\y\r\nautocloselive=1\r\n[General]\r\nstartonwindows=0\r\n");

  test::WriteFile(file, "; kept\r\n[A]\r\nk=1\r\n\r\n[B]\r\nj=2\r\n");
  ASSERT_TRUE(profile.WriteString("A", "new",
                                  "Gr\xc3\xbc\xc3\x9f"
                                  "e",
                                  file));
  EXPECT_EQ(test::ReadFile(file),
            "; kept\r\n[A]\r\nk=1\r\nnew=Gr\xfc\xdf"
            "e\r\n\r\n[B]\r\nj=2\r\n");
}

TEST(ProfileStrings, AWriteThatCannotLandFailsAndChangesNothing) {
  test::TempDir dir;
  PosixProfileStrings profile;
  EXPECT_FALSE(profile.WriteString("S", "k", "v", (dir.path() / "missing" / "s.ini").string()));
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "missing"));
}

}  // namespace
}  // namespace quill::platform::posix

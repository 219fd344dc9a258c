#include "core/SettingsFile.h"

#include <gtest/gtest.h>

#include "support/TestPlatform.h"

namespace quill::core {
namespace {

class SettingsFileTest : public ::testing::Test {
 protected:
  test::TestPlatform host;
  SettingsFile settings{host.get()};
  std::string file = settings.Path();
};

TEST_F(SettingsFileTest, LivesInTheApplicationFolder) {
  EXPECT_EQ(file, (host.app() / "settings.dat").string());
}

TEST_F(SettingsFileTest, WithoutAFileEveryOptionIsOffAndTheFolderIsTheApplicationFolder) {
  for (const Setting& setting : {settings::kCloseMailBeforeBackup, settings::kWriteDiscAfterBackup,
                                 settings::kNewFileEachRun})
    EXPECT_FALSE(settings.IsOn(setting)) << setting.key;
  EXPECT_EQ(settings.GetSettingValue(file, "Backup", "backupfolder"), "");
  EXPECT_EQ(settings.BackupFolder(), host.app().string());
  EXPECT_FALSE(std::filesystem::exists(file)) << "reading creates nothing";
}

TEST_F(SettingsFileTest, AnOptionIsOnOnlyWhenItIsTheNumberOne) {
  const std::vector<std::pair<std::string, bool>> cases = {
      {"1", true},    {" 1 ", true},   {"01", true}, {"1.0", true}, {"0", false},
      {"yes", false}, {"true", false}, {"", false},  {"11", false}, {"1x", false},
  };
  for (const auto& [value, on] : cases) {
    // Sections and keys are found whatever their letter case.
    settings.SaveSettingValue(file, "general", "RUNLIVEAFTERBACKUP", value);
    EXPECT_EQ(settings.IsOn(settings::kStartMailAfterBackup), on) << "'" << value << "'";
  }
}

TEST_F(SettingsFileTest, ValuesAreCutTo128WhenWrittenAnd127WhenRead) {
  const std::string value(200, 'v');
  settings.SaveSettingValue(file, "Backup", "backupfolder", value);
  EXPECT_NE(test::ReadFile(file).find("backupfolder=" + std::string(128, 'v') + "\r\n"),
            std::string::npos);
  EXPECT_EQ(settings.GetSettingValue(file, "Backup", "backupfolder"), std::string(127, 'v'));
}

TEST_F(SettingsFileTest, KeysOfOneSectionShareItWhateverTheLetterCase) {
  settings.SaveSettingValue(file, "Backup", "backupfolder", "0");
  settings.SaveSettingValue(file, "General", "startonwindows", "1");
  settings.SaveSettingValue(file, "backup", "autocloselive", "1");
  settings.SaveSettingValue(file, "BACKUP", "openfolderbackup", "0");
  settings.SaveSettingValue(file, "autobackup", "autobackupfile", "1");
  EXPECT_EQ(test::ReadFile(file),
            "[Backup]\r\nbackupfolder=0\r\nautocloselive=1\r\nopenfolderbackup=0\r\n"
            "[General]\r\nstartonwindows=1\r\n[autobackup]\r\nautobackupfile=1\r\n");
}

TEST_F(SettingsFileTest, TheBackupFolderFallsBackToTheApplicationFolder) {
  const std::string existing = (host.root() / "backups").string();
  std::filesystem::create_directories(existing);
  const std::string app = host.app().string();
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"0", app},
      {"", app},
      {"  ", app},
      {existing, existing},
      {existing + platform::kPathSeparator, existing},
      {"  " + existing + "  ", existing},
      {platform::JoinPath(existing, "missing"), app},
  };
  for (const auto& [stored, expected] : cases) {
    settings.SaveSettingValue(file, "Backup", "backupfolder", stored);
    EXPECT_EQ(settings.BackupFolder(), expected) << "'" << stored << "'";
  }
}

TEST_F(SettingsFileTest, AWriteIntoAMissingFolderFailsQuietly) {
  const std::string elsewhere = (host.app() / "missing" / "settings.dat").string();
  settings.SaveSettingValue(elsewhere, "General", "burndvd", "1");
  EXPECT_EQ(settings.GetSettingValue(elsewhere, "General", "burndvd"), "");
}

}  // namespace
}  // namespace quill::core

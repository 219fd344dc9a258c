// The rescue from another Windows's disk: hives made here from the sample prefix's keys, the
// sample's folders standing in for the dead PC's disk.

#include <gtest/gtest.h>

#include <stdlib.h>

#include <fstream>
#include <sstream>

#include "app/RescueRun.h"
#include "archive/ArchiveReader.h"
#include "cli/CliOptions.h"
#include "cli/CliProgram.h"
#include "support/BackupSetup.h"
#include "support/HiveFile.h"

namespace quill::cli {
namespace {
namespace fs = std::filesystem;
using platform::posix::WineHive;

constexpr std::u16string_view kMailKey = u"Software\\Microsoft\\Windows Live Mail";
constexpr std::u16string_view kShellFolders =
    u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr std::u16string_view kUserShellFolders =
    u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

class RescueTest : public ::testing::Test {
 protected:
  test::BackupSetup setup;
  std::ostringstream out, err;

  WineHive SampleKeys() {
    auto hive = WineHive::Parse(test::ReadFile(setup.prefix() / "user.reg"));
    if (!hive) throw std::runtime_error("the sample's user.reg does not parse");
    return std::move(*hive);
  }
  int Run(std::vector<std::string> arguments) {
    out.str("");
    err.str("");
    return RunCli(arguments, *setup.platform, out, err);
  }
  // Every entry of a backup file but the descriptor, unpacked, in order: its name and bytes.
  // A registry export is named after its scratch file, which differs from run to run.
  std::vector<std::pair<std::string, std::string>> Contents(const std::string& file,
                                                            const std::string& name) {
    const fs::path folder = setup.root() / ("unpacked-" + name);
    fs::create_directories(folder);
    archive::ArchiveReader zip;
    EXPECT_TRUE(zip.Open(file));
    std::vector<std::pair<std::string, std::string>> contents;
    for (const auto& entry : zip.entries()) {
      if (entry.name == "stowinfo.dat") continue;
      EXPECT_TRUE(zip.Extract(entry, folder.string())) << entry.name;
      const bool export_ = entry.name.rfind("OBR", 0) == 0 && entry.name.ends_with(".tmp");
      contents.emplace_back(export_ ? "registry export" : entry.name,
                            test::ReadFile(folder / fs::path(entry.name).filename()));
      fs::remove(folder / fs::path(entry.name).filename());
    }
    return contents;
  }
};

// A rescue of a hive that holds the prefix's keys, over the prefix's folders, gives the backup
// the live prefix gives: the same entries, registry exports byte for byte, inner archives byte
// for byte. Both forms of --from: a user's folder, and a disk holding Users. The folders and
// the hive are only read.
TEST_F(RescueTest, ARescueGivesTheBackupTheLiveProfileGives) {
  const std::string live = setup.Target("live.wlm");
  ASSERT_EQ(Run({"backup", live, "--quiet"}), kExitDone) << err.str();
  test::WriteHive(setup.profile() / "NTUSER.DAT", SampleKeys(),
                  {kMailKey, kShellFolders, kUserShellFolders});
  const fs::path disk = setup.root() / "disk";
  fs::create_directories(disk);
  fs::create_directory_symlink(setup.prefix() / "drive_c" / "users", disk / "Users");
  const auto before = test::Tree(setup.profile());
  // The scratch prefixes go to a temporary folder of this test's own, where no other test's
  // stand beside them.
  const fs::path scratch = setup.root() / "tmp";
  fs::create_directories(scratch);
  ::setenv("TMPDIR", scratch.c_str(), 1);
  const auto expected = Contents(live, "live");
  ASSERT_GE(expected.size(), 20u);

  for (const fs::path& from : {setup.profile(), disk}) {
    SCOPED_TRACE(from.string());
    const std::string rescued = setup.Target("rescued.wlm");
    ASSERT_EQ(Run({"rescue", "--from", from.string(), "--user", "anna", rescued, "--quiet"}),
              kExitDone)
        << err.str();
    const auto contents = Contents(rescued, "rescued");
    ASSERT_EQ(contents.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
      EXPECT_EQ(contents[i].first, expected[i].first);
      EXPECT_TRUE(contents[i].second == expected[i].second) << expected[i].first << " differs";
    }
    const std::string descriptor =
        test::EntryText(rescued, "stowinfo.dat", "", setup.root() / "descriptor");
    EXPECT_NE(descriptor.find("BackupItem=11111111111"), std::string::npos) << descriptor;
    EXPECT_TRUE(test::Tree(setup.profile()) == before);
    fs::remove(rescued);
  }
  // The scratch prefix went with the run.
  EXPECT_TRUE(fs::is_empty(scratch));
}

// The window's "Rescue from another disk...": the disk's users with a hive to choose from, the
// file to save, the backup of every item; a cancelled choice writes nothing.
TEST_F(RescueTest, TheWindowAsksWhoseProfileAndWhereToThenBacksUpEverything) {
  test::WriteHive(setup.profile() / "NTUSER.DAT", SampleKeys(),
                  {kMailKey, kShellFolders, kUserShellFolders});
  const fs::path disk = setup.root() / "disk";
  fs::create_directories(disk / "Users" / "bob");
  fs::copy_file(setup.profile() / "NTUSER.DAT", disk / "Users" / "bob" / "NTUSER.DAT");
  fs::create_directory_symlink(setup.profile(), disk / "Users" / "anna");
  fs::create_directories(disk / "Users" / "Public");  // no hive: no choice
  const std::string target = setup.Target("rescued.wlm");
  setup.prompter.folder = disk.string();
  setup.prompter.savePath = target;
  for (const std::optional<std::string>& chosen :
       {std::optional<std::string>(), std::optional<std::string>("anna")}) {
    setup.prompter.chosen = chosen;
    setup.prompter.choicesShown.clear();
    EXPECT_EQ(app::RescueRun(setup.prompter, setup.app().string()).Run(), chosen.has_value());
    ASSERT_EQ(setup.prompter.choicesShown.size(), 1u);
    EXPECT_EQ(setup.prompter.choicesShown[0].second, (std::vector<std::string>{"anna", "bob"}));
    EXPECT_EQ(fs::exists(target), chosen.has_value());
  }
  EXPECT_EQ(setup.prompter.shown.back().text.rfind("The Backup was Completed!\r\n", 0), 0u)
      << setup.prompter.shown.back().text;
  EXPECT_EQ(test::EntryNames(target).size(), 26u);
}

// What a rescue cannot work with is said, and nothing is written.
TEST_F(RescueTest, WhatCannotBeRescuedIsSaidAndNothingIsWritten) {
  const WineHive keys = SampleKeys();
  WineHive otherUser = SampleKeys();
  auto* folders = otherUser.Find(kShellFolders);
  ASSERT_NE(folders, nullptr);
  std::u16string local = u"C:\\users\\bob\\AppData\\Local";
  local += u'\0';
  folders->SetValue({u"Local AppData", 1, platform::Utf16ToBytes(local)});

  const fs::path good = setup.root() / "good.dat";
  test::WriteHive(good, keys, {kMailKey, kShellFolders, kUserShellFolders});
  const std::string goodBytes = test::ReadFile(good);
  struct Case {
    const char* label;
    std::function<void(const fs::path& hive)> make;  // empty: no hive at all
    std::string user;
    std::string says;
  };
  const std::vector<Case> cases = {
      {"cut short", [&](const fs::path& hive) { test::WriteFile(hive, goodBytes.substr(0, 6000)); },
       "anna",
       "The registry hive {hive} cannot be read: it is damaged, cut short or no registry "
       "hive at all"},
      {"not a hive", [&](const fs::path& hive) { test::WriteFile(hive, "REGEDIT4\r\n"); }, "anna",
       "The registry hive {hive} cannot be read"},
      {"another user's",
       [&](const fs::path& hive) {
         test::WriteHive(hive, otherUser, {kMailKey, kShellFolders, kUserShellFolders});
       },
       "anna", "The registry hive {hive} is the user bob's, not anna's"},
      {"no mail client",
       [&](const fs::path& hive) { test::WriteHive(hive, keys, {kShellFolders}); }, "anna",
       "The registry hive {hive} holds no Windows Live Mail settings"},
      {"no such user", [&](const fs::path& hive) { fs::copy_file(good, hive); }, "carl",
       "{disk} has no profile folder of the user carl. The user folders there with a registry "
       "hive: anna."},
  };
  const fs::path disk = setup.root() / "disk";
  fs::create_directories(disk);
  fs::create_directory_symlink(setup.prefix() / "drive_c" / "users", disk / "Users");
  const fs::path hive = setup.profile() / "NTUSER.DAT";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    fs::remove(hive);
    c.make(hive);
    const std::string hiveBytes = test::ReadFile(hive);
    const std::string target = setup.Target("rescued.wlm");
    EXPECT_EQ(Run({"rescue", "--from", disk.string(), "--user", c.user, target}), kExitNothing);
    std::string says = c.says;
    if (const auto at = says.find("{hive}"); at != std::string::npos)
      says.replace(at, 6, (disk / "Users" / "anna" / "NTUSER.DAT").string());
    if (const auto at = says.find("{disk}"); at != std::string::npos)
      says.replace(at, 6, disk.string());
    EXPECT_EQ(err.str().substr(0, says.size()), says) << err.str();
    EXPECT_FALSE(fs::exists(target));
    EXPECT_EQ(test::ReadFile(hive), hiveBytes);
  }
  EXPECT_EQ(Run({"rescue", "--from", disk.string(), setup.Target("x.wlm")}), kExitUsage);
  EXPECT_NE(err.str().find("rescue needs --from DIR and --user NAME"), std::string::npos);
}

}  // namespace
}  // namespace quill::cli

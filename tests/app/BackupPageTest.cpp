#include "app/BackupPage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <optional>

#include "support/BackupSetup.h"
#include "support/FakePages.h"
#include "support/VolumePlatform.h"

namespace quill::app {
namespace {
using test::FakeBackupPage;
namespace fs = std::filesystem;
using platform::MessageIcon;
using test::ReadFile;

class BackupPageTest : public ::testing::Test {
 protected:
  test::BackupSetup setup;
  FakeBackupPage page;
  std::vector<std::pair<std::string, std::string>> discs;
  std::unique_ptr<BackupPage> run = Make();

  std::unique_ptr<BackupPage> Make() {
    // Today is the 7th of March 2026.
    setup.now.tm_mon = 2;
    BackupFollowUps followUps{[this](const std::string& name, const std::string& path) {
      discs.emplace_back(name, path);
    }};
    return std::make_unique<BackupPage>(setup.session(), setup.engine(), setup.prompter, page,
                                        followUps);
  }
  void Set(const std::string& section, const std::string& key, const std::string& value) {
    setup.settings->SaveSettingValue(setup.settings->Path(), section, key, value);
  }
};

TEST_F(BackupPageTest, InputChecksStopTheRunBeforeAnythingIsWritten) {
  struct Case {
    std::string label;
    bool target, item, protect;
    std::string password, password2;
    std::string message;
    MessageIcon icon;
  };
  const std::vector<Case> cases = {
      {"nothing at all", false, false, false, "", "", "Invalid backup file name.",
       MessageIcon::Warning},
      {"no item", true, false, false, "", "", "Please select at least one item.",
       MessageIcon::Warning},
      {"no password", true, true, true, "", "", "Please enter Password!", MessageIcon::Error},
      {"passwords differ", true, true, true, "one", "two", "Incorect Password!",
       MessageIcon::Error},
      {"one box empty", true, true, true, "", "two", "Incorect Password!", MessageIcon::Error},
      {"letter case differs", true, true, true, "Pw", "pw", "Incorect Password!",
       MessageIcon::Error},
  };
  for (const auto& c : cases) {
    setup.prompter.shown.clear();
    page.targetText = c.target ? setup.Target() : "";
    page.checked = {};
    page.checked[1] = c.item;
    page.protect = c.protect;
    page.password = c.password;
    page.password2 = c.password2;
    run->Run();
    ASSERT_EQ(setup.prompter.shown.size(), 1u) << c.label;
    EXPECT_EQ(setup.prompter.shown[0].text, c.message) << c.label;
    EXPECT_EQ(setup.prompter.shown[0].icon, c.icon) << c.label;
    EXPECT_FALSE(fs::exists(setup.Target())) << c.label;
    EXPECT_FALSE(fs::exists(setup.logFile())) << c.label;
  }
}

// On a disk that may be too full the page asks before the work: "No" writes nothing, not even
// a log entry; "Yes" goes on, and the run does not refuse what the user chose.
TEST_F(BackupPageTest, ABackupThatMayNotFitIsAskedAboutFirst) {
  test::VolumePlatform full(*setup.platform, platform::VolumeSpace{1000, "NTFS", 0});
  core::Session session(full, [] { return test::StampTime(); });
  backup::BackupEngine engine(session);
  BackupPage onFullDisk(session, engine, setup.prompter, page, {});
  page.targetText = setup.Target();
  page.checked[1] = true;
  for (const auto answer : {platform::MessageAnswer::No, platform::MessageAnswer::Yes}) {
    setup.prompter.shown.clear();
    setup.prompter.reply = answer;
    EXPECT_EQ(onFullDisk.Run(), answer == platform::MessageAnswer::Yes);
    ASSERT_FALSE(setup.prompter.shown.empty());
    const auto& asked = setup.prompter.shown[0];
    EXPECT_EQ(asked.text.rfind("There is not enough free space for the backup in ", 0), 0u);
    EXPECT_TRUE(asked.text.ends_with("\r\n\r\nBack up anyway?"));
    EXPECT_EQ(asked.icon, MessageIcon::Warning);
    EXPECT_EQ(asked.buttons, platform::MessageButtons::YesNo);
    EXPECT_EQ(fs::exists(setup.Target()), answer == platform::MessageAnswer::Yes);
    EXPECT_EQ(fs::exists(setup.logFile()), answer == platform::MessageAnswer::Yes);
  }
}

TEST_F(BackupPageTest, AFailedItemIsSummedUpLoggedAndFlagged) {
  fs::remove_all(setup.profile() / "AppData" / "Local" / "Microsoft" / "Windows Live Contacts");
  page.targetText = setup.Target();
  page.checked[1] = page.checked[5] = true;
  page.protect = true;
  page.password = page.password2 = "pw";
  run->Run();
  ASSERT_EQ(setup.prompter.shown.size(), 1u);
  EXPECT_EQ(
      setup.prompter.shown[0].text,
      "The Backup was Completed!\r\n\r\nBackup Mail Rules\tSuccessed!\r\nBackup Contacts\tFail!");
  EXPECT_EQ(setup.prompter.shown[0].icon, MessageIcon::Information);
  EXPECT_NE(test::EntryText(setup.Target(), "stowinfo.dat", "pw", setup.root() / "d")
                .find("BackupItem=01000000000\r\n"),
            std::string::npos);
  const std::string log = ReadFile(setup.logFile());
  EXPECT_NE(log.find(" Backup Mail Rules Succeeded!\n\r\n"), std::string::npos);
  EXPECT_NE(log.find(" Backup Contacts Fail!\n\r\n"), std::string::npos);
  EXPECT_NE(log.find(" Start Backup User Profile Ann Data...\n\r\n"), std::string::npos);
  EXPECT_EQ(page.statuses, (std::vector<std::string>{"Copying Mail Rules...", "Copying Contacts...",
                                                     "Operation complete!", "Please Waiting..."}));
  EXPECT_FALSE(page.panel);
  EXPECT_FALSE(page.busy);
}

TEST_F(BackupPageTest, TheProgressBarEndsAtItsMaximumAndIsThenReset) {
  page.targetText = setup.Target();
  page.checked[9] = true;
  run->Run();
  // 10 at the start, the steps of items 0 to 10, then the writing of the file up to the
  // maximum, the maximum and the minimum.
  const std::vector<int> steps = {10, 30, 40, 45, 50, 54, 58, 65, 73, 77, 81, 81};
  ASSERT_GT(page.progressSeen.size(), steps.size() + 2);
  EXPECT_EQ(std::vector<int>(page.progressSeen.begin(), page.progressSeen.begin() + 12), steps);
  EXPECT_EQ(std::vector<int>(page.progressSeen.end() - 2, page.progressSeen.end()),
            (std::vector<int>{100, 0}));
  EXPECT_TRUE(std::is_sorted(page.progressSeen.begin(), page.progressSeen.end() - 1));
  ASSERT_FALSE(page.writeStatuses.empty());
  EXPECT_EQ(page.writeStatuses.back(), "Write File 100%");
  // The file shown is the settings item's export; the descriptor comes from memory.
  ASSERT_EQ(page.fileStatuses.size(), 1u);
  EXPECT_EQ(page.fileStatuses[0].rfind("Adding File " + (setup.app() / "OBR").string(), 0), 0u)
      << page.fileStatuses[0];
}

TEST_F(BackupPageTest, TheBoxesOfMissingDataAreDisabledAndANameIsProposed) {
  setup.reg->DeleteKeyTree(
      "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows Live Mail\\Rules\\Mail");
  for (const auto& entry : fs::directory_iterator(setup.mailStore()))
    if (entry.path().extension() == ".oeaccount") fs::remove(entry.path());
  const fs::path folder = setup.root() / "backups";
  fs::create_directories(folder);
  Set("Backup", "backupfolder", folder.string() + "/");
  Set("Backup", "automgeneratefile", "1");
  page.checked.fill(true);
  run->Prepare();
  // Only ".OEACCOUNT" is left: the page looks for the lower-case ending.
  EXPECT_EQ(page.enabled, (std::array<bool, core::kItemCount>{true, false, false, true, true, true,
                                                              true, true, true, true, false}));
  EXPECT_EQ(page.checked,
            (std::array<bool, core::kItemCount>{false, false, false, false, false, false, false,
                                                false, false, false, true}));
  const std::string proposed = (folder / "livemailback-Ann-03-07-2026.wlm").string();
  EXPECT_EQ(run->targetFile(), proposed);
  EXPECT_EQ(page.targetText, proposed);
}

TEST_F(BackupPageTest, WithoutGeneratedNamesTheTargetStaysEmptyUntilChosen) {
  run->Prepare();
  EXPECT_EQ(run->targetFile(), "");
  EXPECT_EQ(page.targetText, "");
  run->ChooseTarget();
  EXPECT_EQ(setup.prompter.saveAsked,
            (std::vector<std::string>{"Save Windows Mail Data as",
                                      "Orlo Windows Live Mail Backup File (*.wlm)|*.wlm",
                                      "quillstow-03-07-2026"}));
  EXPECT_EQ(run->targetFile(), "") << "cancelled";
  setup.prompter.savePath = "/backups/mine";
  page.targetText = "typed";
  run->ChooseTarget();
  EXPECT_EQ(run->targetFile(), "/backups/mine") << "no extension is added";
  EXPECT_EQ(page.targetText, "/backups/mine");
}

TEST_F(BackupPageTest, FollowUpsRunAsTheSettingsSay) {
  Set("General", "burndvd", "1");
  Set("General", "runliveafterbackup", "1");
  Set("backup", "openfolderbackup", "1");
  page.targetText = setup.Target();
  page.checked[7] = true;
  run->Run();
  EXPECT_EQ(discs,
            (std::vector<std::pair<std::string, std::string>>{{"anna.wlm", setup.Target()}}));
  ASSERT_EQ(setup.started.size(), 2u);
  EXPECT_EQ(setup.started[0],
            (std::vector<std::string>{"wine",
                                      "C:\\Program Files (x86)\\Windows Live\\Mail\\wlmail.exe"}));
  EXPECT_EQ(setup.started[1], (std::vector<std::string>{"xdg-open", setup.root().string() + "/"}));
}

TEST_F(BackupPageTest, TheCheckSettingReadsTheNewFileBackAndSaysSo) {
  Set("General", "checkbackupfile", "1");
  page.targetText = setup.Target();
  page.checked[0] = page.checked[7] = true;
  page.protect = true;
  page.password = page.password2 = "pw";
  run->Run();
  ASSERT_EQ(setup.prompter.shown.size(), 1u);
  EXPECT_EQ(
      setup.prompter.shown[0].text,
      "The Backup was Completed!\r\n\r\nBackup Mail Accounts & Messages/News Accounts & "
      "Messages\tSuccessed!\r\nBackup Signatures\tSuccessed!\r\nCheck Backup File\tSuccessed!");
  const std::string log = ReadFile(setup.logFile());
  const auto check = log.find(" Check Backup File Succeeded!\n\r\n");
  ASSERT_NE(check, std::string::npos);
  EXPECT_LT(check, log.find("Data was Completed!"));
  EXPECT_EQ(setup.AppFolderFiles(), (std::vector<std::string>{"brlog.dat", "settings.dat"}));
}

TEST_F(BackupPageTest, ABackupThatCannotBeWrittenIsNotReportedAsCompleted) {
  Set("General", "burndvd", "1");
  Set("backup", "openfolderbackup", "1");
  // Where the new file is written before it is renamed into place, a folder stands.
  page.targetText = setup.Target();
  fs::create_directories(setup.Target() + ".partial");
  page.checked[7] = true;
  run->Run();
  ASSERT_EQ(setup.prompter.shown.size(), 1u);
  EXPECT_EQ(setup.prompter.shown[0].icon, MessageIcon::Error);
  EXPECT_EQ(setup.prompter.shown[0].text.rfind("The Backup file could not be written: ", 0), 0u);
  EXPECT_TRUE(discs.empty());
  EXPECT_TRUE(setup.started.empty());
  EXPECT_EQ(ReadFile(setup.logFile()).find("Data was Completed!"), std::string::npos);
}

TEST_F(BackupPageTest, TheFileWrittenIsTheOneTheBoxShowsTypedOrChosen) {
  const std::string chosen = setup.Target("chosen.wlm");
  const std::string typed = setup.Target("typed.wlm");
  struct Case {
    std::string label;
    std::optional<std::string> browsed;  // what Browse gave before, if it was used
    std::string box;                     // what the box shows when the run starts
    bool exists;                         // a file is at that path already
    platform::MessageAnswer answer;      // to the question before it is replaced
    std::string message;                 // the first message; the summary when written
    bool written;
  };
  const std::string replace = typed + " already exists.\r\nDo you want to replace it?";
  const std::vector<Case> cases = {
      {"typed, never browsed", {}, typed, false, {}, "The Backup was Completed!", true},
      {"typed after browsing", chosen, typed, false, {}, "The Backup was Completed!", true},
      {"browsed", chosen, chosen, true, {}, "The Backup was Completed!", true},
      {"typed over a file, yes", chosen, typed, true, platform::MessageAnswer::Yes, replace, true},
      {"typed over a file, no", {}, typed, true, platform::MessageAnswer::No, replace, false},
      {"relative",
       {},
       "typed.wlm",
       false,
       {},
       "Please type the backup file's full path, or choose the file with Browse...",
       false},
      {"a folder",
       {},
       setup.root().string(),
       false,
       {},
       setup.root().string() + " is a folder. Please add the name of the backup file to it.",
       false},
      {"no such folder",
       {},
       (setup.root() / "gone" / "a.wlm").string(),
       false,
       {},
       "The folder " + (setup.root() / "gone").string() + " does not exist.",
       false},
  };
  page.checked[7] = true;
  for (const Case& c : cases) {
    fs::remove(chosen);
    fs::remove(typed);
    if (c.exists) test::WriteFile(c.box, "earlier");
    run = Make();
    setup.prompter.shown.clear();
    setup.prompter.savePath = c.browsed;
    if (c.browsed) run->ChooseTarget();
    page.targetText = c.box;
    setup.prompter.reply = c.answer;
    EXPECT_EQ(run->Run(), c.written) << c.label;
    ASSERT_FALSE(setup.prompter.shown.empty()) << c.label;
    EXPECT_EQ(setup.prompter.shown[0].text.rfind(c.message, 0), 0u)
        << c.label << ": " << setup.prompter.shown[0].text;
    if (c.message == replace) {
      EXPECT_EQ(setup.prompter.shown[0].buttons, platform::MessageButtons::YesNo) << c.label;
    }
    // Only the file the box shows is ever written.
    for (const std::string& file : {chosen, typed}) {
      if (file == c.box && c.written) {
        EXPECT_EQ(test::EntryNames(file).back(), "stowinfo.dat") << c.label;
      } else if (file == c.box && c.exists) {
        EXPECT_EQ(ReadFile(file), "earlier") << c.label;
      } else {
        EXPECT_FALSE(fs::exists(file)) << c.label << ": " << file;
      }
    }
  }
}

TEST_F(BackupPageTest, TheBarMovesWithTheBytesOfAnItemAndTheFileLabelKeepsAPace) {
  test::BackupSetup big(100000000, 3);  // 100 MB
  FakeBackupPage view;
  BackupPage page4(big.session(), big.engine(), big.prompter, view);
  view.targetText = big.Target();
  view.checked[0] = true;
  const auto started = std::chrono::steady_clock::now();
  ASSERT_TRUE(page4.Run());
  const auto elapsed = std::chrono::steady_clock::now() - started;
  // Within the mail item (from 10 to 30) the bar rises as its folders are packed.
  std::size_t within = 0;
  for (int value : view.progressSeen) within += value > 10 && value < 30 ? 1 : 0;
  EXPECT_GE(within, 10u);
  EXPECT_TRUE(std::is_sorted(view.progressSeen.begin(), view.progressSeen.end() - 1));
  // The label names the files of the mail store as they are packed, no more than ten times
  // a second.
  ASSERT_FALSE(view.fileStatuses.empty());
  EXPECT_EQ(view.fileStatuses[0].rfind("Adding File " + big.mailStore().string() + "/", 0), 0u)
      << view.fileStatuses[0];
  EXPECT_LE(view.fileStatuses.size(),
            1 + static_cast<std::size_t>(elapsed / std::chrono::milliseconds(100)));
}

}  // namespace
}  // namespace quill::app

#include "app/MainWindowLogic.h"

#include <gtest/gtest.h>

#include "core/RunLog.h"
#include "platform/AnsiCodePage.h"
#include "registry/RegistryText.h"
#include "support/BackupSetup.h"
#include "support/FakePages.h"

namespace quill::app {
namespace {
namespace fs = std::filesystem;
using platform::MessageAnswer;

struct FakeWindow : MainWindowView {
  Page page = Page::Backup;
  std::string caption, about;
  std::vector<bool> passwordBoxes;
  int abouts = 0, closes = 0;
  Page CurrentPage() override { return page; }
  void SetActionCaption(const std::string& text) override { caption = text; }
  void SetAboutProductText(const std::string& text) override { about = text; }
  void SetPasswordBoxes(bool enabled) override { passwordBoxes.push_back(enabled); }
  void ShowAbout() override { ++abouts; }
  void CloseAll() override { ++closes; }
};

struct FakeList : LogListView {
  std::vector<std::string> lines;
  void Clear() override { lines.clear(); }
  void AddEntry(const std::string& line) override { lines.push_back(line); }
  void SelectLast() override {}
};

class MainWindowLogicTest : public ::testing::Test {
 protected:
  test::BackupSetup setup;
  FakeWindow window;
  test::FakeBackupPage backupPage;
  test::FakeRestorePage restorePage;
  FakeList log;
  BackupPage backupRun{setup.session(), setup.engine(), setup.prompter, backupPage};
  RestorePage restoreRun{setup.session(), setup.restoreEngine(), setup.prompter, restorePage};
  int schedulerOpened = 0;
  MainWindowLogic logic{
      window,
      backupPage,
      restorePage,
      log,
      *setup.services,
      setup.prompter,
      backupRun,
      restoreRun,
      MainWindowCommands{[this] { ++schedulerOpened; }, nullptr, nullptr, nullptr}};
};

TEST_F(MainWindowLogicTest, PagesSetTheActionButtonAndFillTheirContent) {
  // A line of the log is code-page text; the page shows it in UTF-8, once however often it
  // is opened.
  const std::string umlauts =
      "Gr\xc3\xbc\xc3\x9f"
      "e";
  test::WriteFile(setup.logFile(), "one\r\n" + platform::Utf8ToAnsi(umlauts) + "\r\n");
  const std::vector<std::pair<Page, std::string>> cases = {{Page::Logs, "Show Log File"},
                                                           {Page::Restore, "Restore Now"},
                                                           {Page::Logs, "Show Log File"},
                                                           {Page::About, "Help"},
                                                           {Page::Backup, "Backup Now"}};
  for (const auto& [page, caption] : cases) {
    window.page = page;
    logic.PageChanged();
    EXPECT_EQ(window.caption, caption);
  }
  EXPECT_EQ(log.lines, (std::vector<std::string>{"one", umlauts}));
  EXPECT_EQ(window.about, "Orlo Windows Live Mail Backup V3.00");

  // A run's entries end in LF CR LF, its separator and last line in CR CR LF: each is one
  // row, without a stray CR, after the lines before.
  core::RunLog run(setup.logFile().string(), [] { return std::string(test::kStamp); });
  run.Separator();
  run.Start("anna", false);
  run.Item("Backup Mail Rules", true);
  run.End("anna", false);
  window.page = Page::Logs;
  logic.PageChanged();
  const std::string t = test::kStamp;
  EXPECT_EQ(log.lines, (std::vector<std::string>{"one", umlauts, std::string(84, '.'),
                                                 t + " Start Backup User Profile anna Data...",
                                                 t + " Backup Mail Rules Succeeded!",
                                                 t + " Backup User Profile anna Data was "
                                                     "Completed!"}));
}

TEST_F(MainWindowLogicTest, SelectAllSkipsDisabledBoxesAndDeselectAllClearsEveryOne) {
  backupPage.enabled.fill(true);
  backupPage.enabled[3] = false;
  backupPage.checked[3] = false;
  logic.SelectAllItems(Page::Backup);
  for (std::size_t i = 0; i < core::kItemCount; ++i) EXPECT_EQ(backupPage.checked[i], i != 3) << i;
  EXPECT_EQ(restorePage.checked, (std::array<bool, core::kItemCount>{})) << "the other page stays";
  restorePage.checked.fill(true);
  logic.DeselectAllItems(Page::Restore);
  EXPECT_EQ(restorePage.checked, (std::array<bool, core::kItemCount>{}));
  logic.DeselectAllItems(Page::Backup);
  EXPECT_EQ(backupPage.checked, (std::array<bool, core::kItemCount>{}));
}

TEST_F(MainWindowLogicTest, TheRestorePageAsksFirstAndTheMenuDoesNot) {
  const std::string file = setup.Target("b.wlm");
  std::array<bool, core::kItemCount> items{};
  items[8] = true;
  ASSERT_TRUE(setup.engine().Run({items, file, "", "", "anna", false}, {}).written);
  ASSERT_EQ(restoreRun.Inspect(file), RestorePage::Inspection::Accepted);
  restorePage.checked[8] = true;
  window.page = Page::Restore;

  setup.prompter.reply = MessageAnswer::Cancel;
  logic.RunPageAction();
  ASSERT_EQ(setup.prompter.shown.size(), 1u);
  EXPECT_EQ(setup.prompter.shown[0].text, app::kRestoreQuestion);
  EXPECT_EQ(setup.prompter.shown[0].buttons, platform::MessageButtons::OkCancel);
  EXPECT_EQ(test::ReadFile(setup.logFile()).find("Retore"), std::string::npos)
      << "Cancel restores nothing";

  setup.prompter.shown.clear();
  setup.prompter.reply = MessageAnswer::Ok;
  logic.RestoreNow();
  ASSERT_EQ(setup.prompter.shown.size(), 1u);
  EXPECT_EQ(setup.prompter.shown[0].text.rfind("The Restore was Completed!", 0), 0u);
}

TEST_F(MainWindowLogicTest, TheLogsAndAboutPagesOpenTheEditorAndTheHelpOrSaySoWhenTheyCannot) {
  const std::string help = (setup.app() / "help.chm").string();
  struct Case {
    Page page;
    bool helpThere, launches;
    std::vector<std::string> started;  // the last program started
    std::string message;               // what the user is told; empty for nothing
  };
  const std::vector<Case> cases = {
      {Page::Logs, false, true, {"", setup.logFile().string()}, ""},
      {Page::About, true, true, {"xdg-open", help}, ""},
      {Page::Logs,
       false,
       false,
       {"", setup.logFile().string()},
       "The log could not be opened: no program to show it was found. The log is the file " +
           setup.logFile().string() + "."},
      {Page::About,
       true,
       false,
       {"xdg-open", help},
       "The help could not be opened: " + help +
           " is missing, or no program to show it was found."},
      {Page::About,
       false,
       true,
       {},
       "The help could not be opened: " + help +
           " is missing, or no program to show it was found."},
  };
  for (const Case& c : cases) {
    setup.started.clear();
    setup.prompter.shown.clear();
    fs::remove(help);
    if (c.helpThere) test::WriteFile(help, "help");
    setup.launches = c.launches;
    window.page = c.page;
    logic.RunPageAction();
    if (c.started.empty()) {
      EXPECT_TRUE(setup.started.empty());
    } else {
      ASSERT_EQ(setup.started.size(), 1u);
      // The log goes to the first text editor found, which differs from machine to machine.
      if (c.started[0].empty()) setup.started[0][0] = "";
      EXPECT_EQ(setup.started[0], c.started);
    }
    if (c.message.empty()) {
      EXPECT_TRUE(setup.prompter.shown.empty()) << setup.prompter.shown[0].text;
    } else {
      ASSERT_EQ(setup.prompter.shown.size(), 1u);
      EXPECT_EQ(setup.prompter.shown[0].text, c.message);
      EXPECT_EQ(setup.prompter.shown[0].icon, platform::MessageIcon::Warning);
    }
  }
  logic.OpenTaskScheduler();
  logic.OpenSettings();  // not there yet: nothing happens
  EXPECT_EQ(schedulerOpened, 1);
}

TEST_F(MainWindowLogicTest, QuitLetsGoOfTheInspectedFileAndClosesEverything) {
  const std::string file = setup.Target("b.wlm");
  std::array<bool, core::kItemCount> items{};
  items[8] = true;
  ASSERT_TRUE(setup.engine().Run({items, file, "", "", "anna", false}, {}).written);
  ASSERT_EQ(restoreRun.Inspect(file), RestorePage::Inspection::Accepted);
  logic.ProtectToggled(true);
  logic.ProtectToggled(false);
  EXPECT_EQ(window.passwordBoxes, (std::vector<bool>{true, false}));
  logic.Quit();
  EXPECT_EQ(window.closes, 1);
  EXPECT_EQ(restoreRun.source(), nullptr);
}

}  // namespace
}  // namespace quill::app

#include "automation/SettingsDialog.h"

#include <gtest/gtest.h>

#include "support/TestPrefix.h"

namespace quill::automation {
namespace {
namespace fs = std::filesystem;
using test::ReadFile;

struct FakeSettingsView : SettingsView {
  std::array<bool, 8> boxes{};
  std::string folder;
  bool newFile = false, closed = false;
  void SetBoxChecked(std::size_t i, bool on) override { boxes[i] = on; }
  bool BoxChecked(std::size_t i) override { return boxes[i]; }
  void SetFolderText(const std::string& text) override { folder = text; }
  std::string FolderText() override { return folder; }
  void SetNewFileEachRun(bool on) override { newFile = on; }
  bool NewFileEachRun() override { return newFile; }
  std::size_t kept = 99;
  void SetKeptBackups(std::size_t count) override { kept = count; }
  std::size_t KeptBackups() override { return kept; }
  void Close() override { closed = true; }
};

struct FakeAutoStart : AutoStart {
  std::vector<std::string> calls;
  void Enable() override { calls.push_back("enable"); }
  void Disable() override { calls.push_back("disable"); }
};

class SettingsDialogTest : public ::testing::Test {
 protected:
  test::TestPrefix prefix;
  std::unique_ptr<platform::posix::PosixPlatform> platform = prefix.MakePlatform();
  core::SettingsFile settings{*platform};
  test::RecordingPrompter prompter;
  FakeSettingsView view;
  FakeAutoStart autoStart;
  SettingsDialog dialog{view, settings, autoStart, prompter, prefix.app().string()};
};

TEST_F(SettingsDialogTest, WithoutAFileEverythingIsOffAndTheFolderIsTheProgramsOwn) {
  view.boxes.fill(true);
  view.newFile = true;
  dialog.Load();
  EXPECT_EQ(view.boxes, (std::array<bool, 8>{}));
  EXPECT_FALSE(view.newFile);
  EXPECT_EQ(view.kept, 8u);
  EXPECT_EQ(view.folder, prefix.app().string());
}

TEST_F(SettingsDialogTest, OkWritesTheElevenKeysInOrderIntoThreeSections) {
  const fs::path folder = prefix.root() / "backups";
  fs::create_directories(folder);
  dialog.Load();
  view.folder = "  " + folder.string() + "/  ";
  view.boxes = {true, false, true, false, true, false, true, false};
  view.newFile = true;
  view.kept = 0;
  dialog.Apply();
  EXPECT_TRUE(view.closed);
  EXPECT_EQ(ReadFile(settings.Path()),
            "[Backup]\r\nbackupfolder=" + folder.string() +
                "/\r\nautocloselive=0\r\nopenfolderbackup=1\r\n"
                "automgeneratefile=0\r\n[General]\r\nstartonwindows=1\r\ncheckbackupfile=0\r\n"
                "runliveafterbackup=1\r\nrunliveafterrestore=0\r\nburndvd=1\r\n[autobackup]"
                "\r\nautobackupfile=1\r\nkeepbackups=0\r\n");
  EXPECT_EQ(autoStart.calls, std::vector<std::string>{"enable"});
  // Opened again, it shows what the file holds.
  FakeSettingsView again;
  SettingsDialog(again, settings, autoStart, prompter, prefix.app().string()).Load();
  EXPECT_EQ(again.boxes, view.boxes);
  EXPECT_TRUE(again.newFile);
  EXPECT_EQ(again.kept, 0u);
  EXPECT_EQ(again.folder, folder.string() + "/");
}

TEST_F(SettingsDialogTest, AnEmptyFolderIsRefusedAndAMissingOneBecomesTheProgramsFolder) {
  dialog.Load();
  for (const std::string empty : {"", "   "}) {
    view.folder = empty;
    dialog.Apply();
    EXPECT_EQ(prompter.shown.back().text, "Please enter backup folder.");
    EXPECT_FALSE(view.closed);
    EXPECT_FALSE(fs::exists(settings.Path()));
  }
  // A cancelled folder browser empties the box, and OK then refuses.
  view.folder = "/somewhere";
  dialog.ChooseFolder();
  EXPECT_EQ(prompter.folderAsked, "Orlo Windows Live Mail Backup");
  EXPECT_EQ(view.folder, "");
  view.folder = (prefix.root() / "missing").string();
  dialog.Apply();
  EXPECT_EQ(settings.GetSettingValue(settings.Path(), "Backup", "backupfolder"),
            prefix.app().string());
  EXPECT_EQ(autoStart.calls, std::vector<std::string>{"disable"});
}

TEST_F(SettingsDialogTest, CancelWritesNothing) {
  dialog.Load();
  view.boxes.fill(true);
  dialog.Cancel();
  EXPECT_TRUE(view.closed);
  EXPECT_FALSE(fs::exists(settings.Path()));
  EXPECT_TRUE(autoStart.calls.empty());
}

TEST(AutoStart, TheRunValueHoldsTheQuotedProgramAndGoesAgain) {
  test::TestPrefix prefix;
  auto platform = prefix.MakePlatform();
  RunKeyAutoStart autoStart(platform->registry(), "C:\\Program Files\\quillstow");
  autoStart.Disable();  // nothing there yet: no error, no change
  EXPECT_EQ(ReadFile(prefix.userReg()), test::FixtureText("user.reg"));
  autoStart.Enable();
  const std::string text = ReadFile(prefix.userReg());
  EXPECT_NE(text.find("[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Run] "),
            std::string::npos);
  EXPECT_NE(text.find("\"Orlo Windows Live Mail Backup\"=\"\\\"C:\\\\Program "
                      "Files\\\\quillstow\\\\quillstow.exe\\\"\"\n"),
            std::string::npos);
  autoStart.Disable();
  EXPECT_EQ(ReadFile(prefix.userReg()).find("Orlo Windows Live Mail Backup"), std::string::npos);
}

TEST(AutoStart, TheDesktopEntryStartsTheProgramOverThePrefix) {
  test::TempDir dir;
  DesktopAutoStart autoStart((dir.path() / "autostart").string(), "/opt/quill stow/quillstow",
                             "/home/an\"na/.wine");
  autoStart.Disable();
  autoStart.Enable();
  EXPECT_EQ(ReadFile(autoStart.EntryPath()),
            "[Desktop Entry]\nType=Application\nName=Orlo Windows Live Mail Backup\n"
            "Exec=env \"WINEPREFIX=/home/an\\\"na/.wine\" \"/opt/quill stow/quillstow\"\n"
            "X-GNOME-Autostart-enabled=true\n");
  autoStart.Disable();
  EXPECT_FALSE(fs::exists(autoStart.EntryPath()));
}

}  // namespace
}  // namespace quill::automation

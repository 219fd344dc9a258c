#include "app/SharedServices.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "support/TestPrefix.h"

extern char** environ;

namespace quill::app {
namespace {

class SharedServicesTest : public ::testing::Test {
 protected:
  test::TestPrefix prefix;
  std::vector<std::vector<std::string>> started;
  std::unique_ptr<platform::posix::PosixPlatform> platform =
      prefix.MakePlatform([this](const std::vector<std::string>& argv) {
        started.push_back(argv);
        return true;
      });
  test::RecordingPrompter prompter;
  registry::modReg reg{platform->registry(), prompter};
  SharedServices services{*platform, reg};
};

struct RecordingList : LogListView {
  std::vector<std::string> entries;
  int selected = -1;
  void Clear() override {
    entries.clear();
    selected = -1;
  }
  void AddEntry(const std::string& line) override { entries.push_back(line); }
  void SelectLast() override { selected = static_cast<int>(entries.size()) - 1; }
};

TEST_F(SharedServicesTest, TempFilesAreNewAndEmptyInTheApplicationFolder) {
  const std::string first = services.sGetTempFile("OBR");
  const std::string second = services.sGetTempFile("OBR");
  for (const std::string& path : {first, second}) {
    const std::filesystem::path file(path);
    EXPECT_EQ(file.parent_path(), prefix.app());
    EXPECT_EQ(file.filename().string().substr(0, 3), "OBR");
    EXPECT_EQ(file.extension(), ".tmp");
    EXPECT_TRUE(std::filesystem::exists(file));
    EXPECT_EQ(std::filesystem::file_size(file), 0u);
  }
  EXPECT_NE(first, second);
  std::filesystem::remove_all(prefix.app());
  EXPECT_EQ(services.sGetTempFile("OBR"), "");
}

TEST_F(SharedServicesTest, AppendLogLineCreatesThenAppends) {
  const std::string log = services.LogPath();
  EXPECT_TRUE(SharedServices::AppendLogLine(log, "one"));
  EXPECT_TRUE(SharedServices::AppendLogLine(log, "two"));
  EXPECT_EQ(test::ReadFile(log), "one\r\ntwo\r\n");
  EXPECT_FALSE(SharedServices::AppendLogLine("/dev/full", "lost"));
  EXPECT_FALSE(SharedServices::AppendLogLine((prefix.app() / "no" / "log").string(), "lost"));
}

TEST_F(SharedServicesTest, ExpandsOnlyTheFirstUserProfileVariable) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"%USERPROFILE%\\AppData\\Local", "C:\\users\\root\\AppData\\Local"},
      {"%USERPROFILE%", "C:\\users\\root"},
      {"X:%USERPROFILE%\\a\\%USERPROFILE%", "C:\\users\\root\\a\\%USERPROFILE%"},
      {"%UserProfile%\\AppData", "%UserProfile%\\AppData"},
      {"D:\\Mail\\Local", "D:\\Mail\\Local"},
      {"%APPDATA%\\x", "%APPDATA%\\x"},
      {"", ""},
  };
  for (const auto& [text, expected] : cases)
    EXPECT_EQ(services.ExpandUserProfile(text), expected) << text;
}

TEST_F(SharedServicesTest, LoadingTheLogTwiceListsEachLineOnce) {
  test::WriteFile(services.LogPath(),
                  "a\r\nGr\xfc\xdf"
                  "e\r\nc\r\n");
  RecordingList list;
  services.LoadLogIntoList(list);
  services.LoadLogIntoList(list);
  EXPECT_EQ(list.entries, (std::vector<std::string>{"a",
                                                    "Gr\xc3\xbc\xc3\x9f"
                                                    "e",
                                                    "c"}));
  EXPECT_EQ(list.selected, 2);
  std::filesystem::remove(services.LogPath());
  services.LoadLogIntoList(list);
  EXPECT_TRUE(list.entries.empty());
}

TEST_F(SharedServicesTest, StartsTheMailClientTheEditorAndHelp) {
  const std::string app = prefix.app().string();
  services.StartWindowsLiveMail();
  services.OpenHelp();
  services.OpenLogInEditor();
  ASSERT_EQ(started.size(), 3u);
  EXPECT_EQ(started[0], (std::vector<std::string>{
                            "wine", "C:\\Program Files (x86)\\Windows Live\\Mail\\wlmail.exe"}));
  EXPECT_EQ(started[1], (std::vector<std::string>{"xdg-open", app + "/help.chm"}));
  EXPECT_EQ(started[2].back(), app + "/brlog.dat");
}

TEST_F(SharedServicesTest, KillProcessByNameStopsEveryInstanceWhateverItsCase) {
  // Programs inside Wine carry their Windows path as their first argument.
  const auto spawn = [](const char* windowsName) {
    pid_t pid = 0;
    char* argv[] = {const_cast<char*>(windowsName), const_cast<char*>("60"), nullptr};
    EXPECT_EQ(posix_spawn(&pid, "/bin/sleep", nullptr, nullptr, argv, environ), 0);
    return pid;
  };
  const pid_t upper = spawn("C:\\Program Files\\Windows Live\\Mail\\WLMAIL.EXE");
  const pid_t lower = spawn("C:\\Program Files\\Windows Live\\Mail\\wlmail.exe");
  const pid_t other = spawn("C:\\windows\\notepad.exe");
  // Wait until the process table shows the new names.
  for (int i = 0; i < 100; ++i) {
    int seen = 0;
    for (const auto& p : platform->processes().Snapshot())
      if (p.id == static_cast<std::uint32_t>(upper) || p.id == static_cast<std::uint32_t>(lower))
        seen += p.exeFile.size() == 10 ? 1 : 0;
    if (seen == 2) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  services.KillProcessByName("wlmail.exe");
  int status = 0;
  ASSERT_EQ(waitpid(upper, &status, 0), upper);
  EXPECT_TRUE(WIFSIGNALED(status));
  ASSERT_EQ(waitpid(lower, &status, 0), lower);
  EXPECT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(waitpid(other, &status, WNOHANG), 0) << "another program keeps running";
  kill(other, SIGKILL);
  waitpid(other, &status, 0);
}

TEST(CleanValue, CutsAtNulAndTrimsBlanks) {
  EXPECT_EQ(CleanValue(std::string("  C:\\x  \0junk", 13)), "C:\\x");
  EXPECT_EQ(CleanValue(std::string("\0", 1)), "");
  EXPECT_EQ(CleanValue("   "), "");
}

}  // namespace
}  // namespace quill::app

#include "automation/TaskScheduler.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "archive/ArchiveReader.h"
#include "automation/TaskSchedulerDialog.h"
#include "support/BackupSetup.h"

namespace quill::automation {
namespace {
namespace fs = std::filesystem;
using test::ReadFile;
using test::WriteFile;

WeeklyTask Task(const std::string& days, const std::string& password) {
  return {days, "09:00:00", "/opt/quillstow/quillstow",
          "sf=annaxm=01000000001ps=" + password + "bf=C:\\Backups\\livemailbak-anna.wlm",
          "C:\\Program Files\\quillstow"};
}

TEST(Schtasks, CommandLinesAreBuiltPieceByPiece) {
  EXPECT_EQ(SchtasksEndCommand(), "schtasks /end  /tn \"Orlo Windows Live Mail AutoBackup\"");
  EXPECT_EQ(SchtasksDeleteCommand(),
            "schtasks /delete /f  /tn \"Orlo Windows Live Mail AutoBackup\"");
  const std::vector<std::tuple<std::string, std::string, std::string>> cases = {
      {"*", "",
       "schtasks /create /sc WEEKLY /d * /st 09:00:00 /tn \"Orlo Windows Live Mail AutoBackup\" "
       "/tr \"\\\"C:\\Program Files\\quillstow\\quillstow.exe\\\" "
       "sf=annaxm=01000000001ps=bf=C:\\Backups\\livemailbak-anna.wlm\""},
      {"Mon,Sun", "pw",
       "schtasks /create /sc WEEKLY /d Mon,Sun /st 09:00:00 /tn \"Orlo Windows Live Mail "
       "AutoBackup\" /tr \"\\\"C:\\Program Files\\quillstow\\quillstow.exe\\\" "
       "sf=annaxm=01000000001ps=pwbf=C:\\Backups\\livemailbak-anna.wlm\""},
  };
  for (const auto& [days, password, expected] : cases)
    EXPECT_EQ(SchtasksCreateCommand(Task(days, password)), expected);
}

TEST(Schtasks, DaysAndTimesTakeTheirForms) {
  EXPECT_EQ(DayList({}), "*");
  EXPECT_EQ(DayList({true, false, false, false, false, false, true}), "Mon,Sun");
  EXPECT_EQ(DayList({false, false, false, false, false, true, false}), "Sat");
  EXPECT_EQ(DayList({true, true, true, true, true, true, true}), "Mon,Tue,Wed,Thu,Fri,Sat,Sun");
  EXPECT_EQ(TaskStartTime("9:00"), "09:00:00");
  EXPECT_EQ(TaskStartTime("23:30"), "23:30:00");
  EXPECT_EQ(TaskStartTime("soon"), "soon");
  const auto times = StartTimes();
  ASSERT_EQ(times.size(), 48u);
  EXPECT_EQ(times.front(), "0:00");
  EXPECT_EQ(times[19], "9:30");
  EXPECT_EQ(times.back(), "23:30");
}

// A crontab program that keeps the table in a file.
std::string StandInCrontab(const fs::path& folder) {
  const fs::path script = folder / "crontab";
  WriteFile(script,
            "#!/bin/sh\ntable=\"$(dirname \"$0\")/table\"\n"
            "if [ \"$1\" = -l ]; then [ -f \"$table\" ] || { echo 'no crontab' >&2; exit 1; }; cat "
            "\"$table\"; "
            "exit 0; fi\nif [ \"$1\" = - ]; then cat > \"$table\"; exit 0; fi\nexit 2\n");
  fs::permissions(script, fs::perms::owner_all);
  return script.string();
}

TEST(Crontab, TheTaskLineIsMadeReplacedAndRemovedAndOtherLinesStay) {
  test::TempDir dir;
  const std::string crontab = StandInCrontab(dir.path());
  CrontabScheduler scheduler(crontab, "/home/anna/.wine");
  scheduler.DeleteTask();  // no table yet: nothing to remove, and no harm
  EXPECT_EQ(ReadFile(dir.path() / "table"), "");

  const std::string other = "0 3 * * * /usr/bin/backup-photos\n# a comment\n";
  WriteFile(dir.path() / "table", other);
  WeeklyTask task = Task("Mon,Sun", "it's");
  task.startTime = "21:30:00";
  scheduler.CreateTask(task);
  const std::string line =
      "30 21 * * 1,0 WINEPREFIX='/home/anna/.wine' '/opt/quillstow/quillstow' "
      "'sf=annaxm=01000000001ps=it'\\''sbf=C:\\Backups\\livemailbak-anna.wlm' "
      "# Orlo Windows Live Mail AutoBackup";
  EXPECT_EQ(ReadFile(dir.path() / "table"), other + line + "\n");
  task.days = "*";
  scheduler.CreateTask(task);
  const std::string table = ReadFile(dir.path() / "table");
  EXPECT_EQ(table.rfind(other, 0), 0u);
  EXPECT_NE(table.find("30 21 * * * WINEPREFIX="), std::string::npos);
  EXPECT_EQ(table.find("1,0"), std::string::npos) << "the task is replaced, not added again";
  scheduler.DeleteTask();
  EXPECT_EQ(ReadFile(dir.path() / "table"), other);
}

TEST(Crontab, TheLinesCommandMakesTheBackup) {
  test::BackupSetup setup;
  // The program runs from the test's application folder, so its log goes there.
  const fs::path program = setup.app() / "quillstow";
  fs::copy_file(QUILL_PROGRAM, program);
  CrontabScheduler scheduler(StandInCrontab(setup.root()), setup.prefix().string());
  WeeklyTask task = Task("*", "pw");
  task.program = program.string();
  task.commandLine = "sf=annaxm=00000001000ps=pwbf=" + setup.Target();
  const std::string entry = scheduler.Entry(task);
  // What cron runs: the fields after the five of the schedule, without the closing mark.
  std::string command = entry;
  for (int field = 0; field < 5; ++field) command = command.substr(command.find(' ') + 1);
  command = command.substr(0, command.rfind(" # "));
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  EXPECT_TRUE(archive::ArchiveReader::IsPasswordProtected(setup.Target()));
  EXPECT_NE(ReadFile(setup.logFile()).find("Backup Signatures Succeeded!"), std::string::npos);
}

struct FakeScheduler : TaskScheduler {
  std::vector<std::string> calls;
  WeeklyTask made;
  void EndTask() override { calls.push_back("end"); }
  void DeleteTask() override { calls.push_back("delete"); }
  void CreateTask(const WeeklyTask& task) override {
    calls.push_back("create");
    made = task;
  }
};

struct FakeSchedulerView : TaskSchedulerView {
  std::array<bool, 11> enabled{}, checked{};
  std::array<bool, 7> days{};
  std::string user, target, start = "9:00", password, password2;
  std::vector<std::string> times;
  bool protect = false, addEnabled = true, closed = false;
  void SetItemEnabled(std::size_t i, bool on) override { enabled[i] = on; }
  void SetItemChecked(std::size_t i, bool on) override { checked[i] = on; }
  bool ItemChecked(std::size_t i) override { return checked[i]; }
  void SetSourceUser(const std::string& text) override { user = text; }
  std::string SourceUser() override { return user; }
  void SetDayChecked(std::size_t day, bool on) override { days[day] = on; }
  bool DayChecked(std::size_t day) override { return days[day]; }
  void SetStartTimes(const std::vector<std::string>& list, const std::string& text) override {
    times = list;
    start = text;
  }
  std::string StartTime() override { return start; }
  void SetTargetFileText(const std::string& text) override { target = text; }
  bool ProtectChecked() override { return protect; }
  std::string Password() override { return password; }
  std::string Password2() override { return password2; }
  void SetPasswordBoxes(bool) override {}
  void SetAddEnabled(bool on) override { addEnabled = on; }
  void Close() override { closed = true; }
};

class TaskSchedulerDialogTest : public ::testing::Test {
 protected:
  test::BackupSetup setup;
  FakeSchedulerView view;
  FakeScheduler scheduler;
  TaskSchedulerDialog dialog{view,
                             scheduler,
                             setup.prompter,
                             setup.session(),
                             "/opt/quillstow/quillstow",
                             "/opt/quillstow"};
};

TEST_F(TaskSchedulerDialogTest, LoadsTheDefaultNameAndTheStartTimes) {
  dialog.Load();
  EXPECT_EQ(view.user, "anna");
  EXPECT_EQ(view.target, (setup.app() / "livemailbak-anna.wlm").string());
  EXPECT_EQ(view.start, "9:00");
  EXPECT_EQ(view.times.size(), 48u);
  EXPECT_TRUE(view.addEnabled);
  dialog.DailyToggled(true);
  EXPECT_EQ(view.days, (std::array<bool, 7>{true, true, true, true, true, true, true}));
  dialog.DailyToggled(false);
  EXPECT_EQ(view.days, (std::array<bool, 7>{}));
}

TEST_F(TaskSchedulerDialogTest, ChecksComeInOrderAndATaskIsMadeAfterEndAndDelete) {
  dialog.Load();
  const auto lastMessage = [&] { return setup.prompter.shown.back().text; };
  dialog.AddTask();
  EXPECT_EQ(lastMessage(), "Please select at least one item.");
  view.checked[1] = view.checked[10] = true;
  view.protect = true;
  dialog.AddTask();
  EXPECT_EQ(lastMessage(), "Please enter Password!");
  view.password = "pw";
  dialog.AddTask();
  EXPECT_EQ(lastMessage(), "Incorect Password!");
  EXPECT_TRUE(scheduler.calls.empty());

  view.password2 = "pw";
  view.days[0] = view.days[6] = true;
  dialog.AddTask();
  EXPECT_EQ(scheduler.calls, (std::vector<std::string>{"end", "delete", "create"}));
  EXPECT_EQ(scheduler.made.days, "Mon,Sun");
  EXPECT_EQ(scheduler.made.startTime, "09:00:00");
  EXPECT_EQ(scheduler.made.commandLine,
            "sf=annaxm=01000000001ps=pwbf=" + (setup.app() / "livemailbak-anna.wlm").string());
  EXPECT_EQ(lastMessage(), "Task Orlo Windows Live Mail AutoBackup has been scheduled.");
  EXPECT_TRUE(view.closed);

  dialog.RemoveTask();
  EXPECT_EQ(scheduler.calls.size(), 5u);
  EXPECT_EQ(lastMessage(), "Task Orlo Windows Live Mail AutoBackup has been Delete.");
}

TEST_F(TaskSchedulerDialogTest, WithoutTheMailClientNothingCanBeAdded) {
  const std::string mail = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows Live Mail";
  setup.reg->DeleteKeyTree(mail);
  dialog.Load();
  EXPECT_FALSE(view.addEnabled);
  EXPECT_EQ(setup.prompter.shown.at(0).text,
            "Your Windows System have not install Windows Live Mail ");
}

}  // namespace
}  // namespace quill::automation

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
using platform::MessageIcon;
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
  const std::vector<std::pair<std::string, std::optional<std::string>>> typed = {
      {"9:00", "09:00:00"},   {"23:30", "23:30:00"},   {" 7:05 ", "07:05:00"},
      {"00:59", "00:59:00"},  {"", std::nullopt},      {"9", std::nullopt},
      {"soon", std::nullopt}, {"24:00", std::nullopt}, {"9:60", std::nullopt},
      {"9:5", std::nullopt},  {"-1:00", std::nullopt}, {"9:00:00", std::nullopt},
      {"1:2x", std::nullopt}, {":30", std::nullopt},   {"123:00", std::nullopt},
  };
  for (const auto& [text, expected] : typed) EXPECT_EQ(TaskStartTime(text), expected) << text;
  const auto times = StartTimes();
  ASSERT_EQ(times.size(), 48u);
  EXPECT_EQ(times.front(), "0:00");
  EXPECT_EQ(times[19], "9:30");
  EXPECT_EQ(times.back(), "23:30");
}

// A crontab program that keeps the table in a file, and fails as the file "fail" says: "-l"
// as a crontab that cannot be read, "-" as one that cannot be installed.
std::string StandInCrontab(const fs::path& folder) {
  const fs::path script = folder / "crontab";
  WriteFile(
      script,
      "#!/bin/sh\n"
      "dir=\"$(dirname \"$0\")\"; table=\"$dir/table\"\n"
      "fail=\"$(cat \"$dir/fail\" 2>/dev/null)\"\n"
      "if [ \"$1\" = -l ]; then\n"
      "  if [ \"$fail\" = -l ]; then echo 'crontab: Permission denied' >&2; exit 1; fi\n"
      "  [ -f \"$table\" ] || { echo \"no crontab for $(id -un)\" >&2; exit 1; }\n"
      "  cat \"$table\"; exit 0\n"
      "fi\n"
      "if [ \"$1\" = - ]; then\n"
      "  if [ \"$fail\" = - ]; then cat >/dev/null; echo 'errors in crontab file, can'\"'\"'t "
      "install.' >&2; exit 1; fi\n"
      "  cat > \"$table\"; exit 0\n"
      "fi\n"
      "exit 2\n");
  fs::permissions(script, fs::perms::owner_all);
  return script.string();
}

TEST(Crontab, TheTaskLineIsMadeReplacedAndRemovedAndOtherLinesStay) {
  test::TempDir dir;
  const std::string crontab = StandInCrontab(dir.path());
  CrontabScheduler scheduler(crontab, "/home/anna/.wine");
  EXPECT_TRUE(scheduler.DeleteTask().ok);  // no table yet: nothing to remove, and no harm
  EXPECT_FALSE(fs::exists(dir.path() / "table")) << "no table is made for nothing";

  // Lines of every kind stay as they are, the last one without its line end too.
  const std::string other =
      "0 3 * * * /usr/bin/backup-photos\n# a comment\n\nMAILTO=anna\n@reboot /usr/bin/x\r\n"
      "30 4 * * 1 /usr/bin/last";
  WriteFile(dir.path() / "table", other);
  WeeklyTask task = Task("Mon,Sun", "it's");
  task.startTime = "21:30:00";
  EXPECT_TRUE(scheduler.CreateTask(task).ok);
  const std::string line =
      "30 21 * * 1,0 WINEPREFIX='/home/anna/.wine' '/opt/quillstow/quillstow' "
      "'sf=annaxm=01000000001ps=it'\\''sbf=C:\\Backups\\livemailbak-anna.wlm' "
      "# Orlo Windows Live Mail AutoBackup";
  EXPECT_EQ(ReadFile(dir.path() / "table"), other + "\n" + line + "\n");
  task.days = "*";
  EXPECT_TRUE(scheduler.CreateTask(task).ok);
  const std::string table = ReadFile(dir.path() / "table");
  EXPECT_EQ(table.rfind(other, 0), 0u);
  EXPECT_NE(table.find("30 21 * * * WINEPREFIX="), std::string::npos);
  EXPECT_EQ(table.find("1,0"), std::string::npos) << "the task is replaced, not added again";
  EXPECT_TRUE(scheduler.DeleteTask().ok);
  EXPECT_EQ(ReadFile(dir.path() / "table"), other + "\n");
}

// A crontab that cannot be run, read or written, or a start time that is none: the operation
// fails with the reason, and the user's table stays as it was.
TEST(Crontab, AFailureChangesNothingAndSaysWhy) {
  test::TempDir dir;
  const std::string crontab = StandInCrontab(dir.path());
  const std::string other = "0 3 * * * /usr/bin/backup-photos\n";
  struct Case {
    std::string label;
    std::string program;  // the crontab program
    std::string fail;     // what the stand-in fails at
    std::string startTime;
    std::string error;  // of the creation, and of the deletion where it runs into it too
    bool deleteFails;
  };
  const std::vector<Case> cases = {
      {"no crontab program", (dir.path() / "none").string(), "", "09:00:00",
       "Could not run " + (dir.path() / "none").string() + ": No such file or directory.", true},
      {"crontab -l fails", crontab, "-l", "09:00:00",
       crontab + " -l failed (exit status 1): crontab: Permission denied.", true},
      {"crontab - fails", crontab, "-", "09:00:00",
       crontab + " - failed (exit status 1): errors in crontab file, can't install.", true},
      {"no start time", crontab, "", "soon", "\"soon\" is not a start time.", false},
  };
  for (const auto& c : cases) {
    WriteFile(dir.path() / "table", other + Task("*", "").program + " # " + kTaskName + "\n");
    const std::string before = ReadFile(dir.path() / "table");
    WriteFile(dir.path() / "fail", c.fail);
    CrontabScheduler scheduler(c.program, "/home/anna/.wine");
    WeeklyTask task = Task("*", "");
    task.startTime = c.startTime;
    const TaskResult created = scheduler.CreateTask(task);
    EXPECT_FALSE(created.ok) << c.label;
    EXPECT_EQ(created.error, c.error) << c.label;
    EXPECT_EQ(ReadFile(dir.path() / "table"), before) << c.label;
    const TaskResult deleted = scheduler.DeleteTask();
    EXPECT_EQ(deleted.ok, !c.deleteFails) << c.label;
    if (c.deleteFails) {
      EXPECT_EQ(deleted.error, c.error) << c.label;
      EXPECT_EQ(ReadFile(dir.path() / "table"), before) << c.label;
    }
  }
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
  ASSERT_TRUE(scheduler.Entry(task));
  const std::string entry = *scheduler.Entry(task);
  // What cron runs: the fields after the five of the schedule, without the closing mark.
  std::string command = entry;
  for (int field = 0; field < 5; ++field) command = command.substr(command.find(' ') + 1);
  command = command.substr(0, command.rfind(" # "));
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  EXPECT_TRUE(archive::ArchiveReader::IsPasswordProtected(setup.Target()));
  EXPECT_NE(ReadFile(setup.logFile()).find("Backup Signatures Succeeded!"), std::string::npos);
}

// A scheduler that records the calls and answers as it is told.
struct FakeScheduler : TaskScheduler {
  std::vector<std::string> calls;
  WeeklyTask made;
  TaskResult end, remove, create;
  TaskResult EndTask() override {
    calls.push_back("end");
    return end;
  }
  TaskResult DeleteTask() override {
    calls.push_back("delete");
    return remove;
  }
  TaskResult CreateTask(const WeeklyTask& task) override {
    calls.push_back("create");
    made = task;
    return create;
  }
};

// The platform's processes as schtasks sees them: each command line run is recorded and
// answered with the next exit status and output; nothing is started without being waited for.
struct FakeProcesses : platform::Processes {
  std::vector<std::string> run;
  std::vector<platform::ProcessRun> answers;
  bool startedUnwaited = false;
  std::vector<platform::ProcessEntry> Snapshot() override { return {}; }
  bool Terminate(std::uint32_t, std::uint32_t) override { return false; }
  bool Start(const std::string&, platform::WindowStyle) override {
    startedUnwaited = true;
    return true;
  }
  platform::ProcessRun Run(const std::string& commandLine, platform::WindowStyle style) override {
    EXPECT_EQ(style, platform::WindowStyle::Hidden);
    run.push_back(commandLine);
    if (answers.empty()) return {true, 0, ""};
    const platform::ProcessRun answer = answers.front();
    answers.erase(answers.begin());
    return answer;
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
  // A start time that is none is refused before the old task is touched.
  for (const char* start : {"", "9", "soon"}) {
    view.start = start;
    dialog.AddTask();
    EXPECT_EQ(lastMessage(), "Invalid start time. Please enter a time such as 9:00 or 21:30.")
        << start;
    EXPECT_EQ(setup.prompter.shown.back().icon, MessageIcon::Warning);
  }
  EXPECT_TRUE(scheduler.calls.empty());
  view.start = "9:00";
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

// The dialog over the real schedulers: schtasks through the platform's processes, each command
// run to its end, and a crontab that is not there. What the scheduler says decides the message.
TEST_F(TaskSchedulerDialogTest, ASchedulerThatFailsIsShownAsAFailureWithItsWords) {
  const std::string end = SchtasksEndCommand();
  const std::string remove = SchtasksDeleteCommand();
  const std::string none = "ERROR: The system cannot find the file specified.\r\n";
  const std::string crontab = (setup.root() / "no-crontab").string();
  const std::string task = "Task Orlo Windows Live Mail AutoBackup ";
  const WeeklyTask made{
      "*", "09:00:00", "/opt/quillstow/quillstow",
      "sf=annaxm=00001000000ps=bf=" + (setup.app() / "livemailbak-anna.wlm").string(),
      "/opt/quillstow"};
  struct Case {
    std::string label;
    bool add;                                   // Add Task, else Disable Task
    std::vector<platform::ProcessRun> answers;  // schtasks's; none: the missing crontab
    std::string message;
    bool closed;
  };
  const std::vector<Case> cases = {
      {"made",
       true,
       {{true, 0, ""}, {true, 0, ""}, {true, 0, "SUCCESS"}},
       task + "has been scheduled.",
       true},
      {"made the first time",
       true,
       {{true, 1, none}, {true, 1, none}, {true, 0, ""}},
       task + "has been scheduled.",
       true},
      {"creation refused",
       true,
       {{true, 0, ""}, {true, 0, ""}, {true, 1, "ERROR: Access is denied.\r\n"}},
       task + "could not be scheduled: schtasks failed (exit status 1): ERROR: Access is denied.",
       false},
      {"no schtasks",
       true,
       {{false, 0, ""}, {false, 0, ""}, {false, 0, ""}},
       task + "could not be scheduled: schtasks could not be started.",
       false},
      {"no crontab",
       true,
       {},
       task + "could not be scheduled: Could not run " + crontab + ": No such file or directory.",
       false},
      {"deleted",
       false,
       {{true, 1, "ERROR: The task is not running.\r\n"}, {true, 0, ""}},
       task + "has been Delete.",
       false},
      {"nothing to delete",
       false,
       {{true, 1, none}, {true, 1, none}},
       task + "could not be deleted: schtasks failed (exit status 1): ERROR: The system cannot "
              "find the file specified.",
       false},
      {"no crontab",
       false,
       {},
       task + "could not be deleted: Could not run " + crontab + ": No such file or directory.",
       false},
  };
  for (const auto& c : cases) {
    FakeProcesses processes;
    processes.answers = c.answers;
    SchtasksScheduler schtasks(processes);
    CrontabScheduler cron(crontab, setup.prefix().string());
    TaskScheduler& chosen = c.answers.empty() ? static_cast<TaskScheduler&>(cron) : schtasks;
    FakeSchedulerView taskView;
    TaskSchedulerDialog taskDialog(taskView, chosen, setup.prompter, setup.session(),
                                   "/opt/quillstow/quillstow", "/opt/quillstow");
    taskDialog.Load();
    taskView.checked[4] = true;
    if (c.add)
      taskDialog.AddTask();
    else
      taskDialog.RemoveTask();
    EXPECT_EQ(setup.prompter.shown.back().text, c.message) << c.label;
    EXPECT_EQ(setup.prompter.shown.back().icon, c.message.find(" has been ") != std::string::npos
                                                    ? MessageIcon::Information
                                                    : MessageIcon::Error)
        << c.label;
    EXPECT_EQ(taskView.closed, c.closed) << c.label;
    if (c.answers.empty()) continue;
    std::vector<std::string> commands = {end, remove};
    if (c.add) commands.push_back(SchtasksCreateCommand(made));
    EXPECT_EQ(processes.run, commands) << c.label << ": one after the other, each to its end";
    EXPECT_FALSE(processes.startedUnwaited) << c.label;
  }
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

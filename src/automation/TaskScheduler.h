#pragma once
// The one weekly task that runs the unattended backup: made, ended and deleted through the
// system's scheduler (schtasks on Windows, the user's crontab over a Wine prefix).

#include <memory>
#include <optional>
#include <string>

#include "platform/Processes.h"

namespace quill::automation {

inline constexpr const char* kTaskName = "Orlo Windows Live Mail AutoBackup";

struct WeeklyTask {
  std::string days;         // "Mon,Sun", or "*" for every day
  std::string startTime;    // "hh:mm:00"
  std::string program;      // the executable's full path
  std::string commandLine;  // "sf=...xm=...ps=...bf=..."
  std::string applicationFolder;
};

// What a scheduler operation came to: done, or why not, in words for the user.
struct TaskResult {
  bool ok = true;
  std::string error;
};

class TaskScheduler {
 public:
  virtual ~TaskScheduler() = default;
  // Each runs to its end before it returns and says whether the scheduler did it.
  virtual TaskResult EndTask() = 0;
  virtual TaskResult DeleteTask() = 0;
  virtual TaskResult CreateTask(const WeeklyTask& task) = 0;
};

// The three schtasks command lines, as the Windows task is made.
std::string SchtasksEndCommand();
std::string SchtasksDeleteCommand();
std::string SchtasksCreateCommand(const WeeklyTask& task);

// Runs the schtasks command lines hidden, each to its end; a command that cannot be started or
// ends with an exit status other than 0 fails with what it wrote.
class SchtasksScheduler : public TaskScheduler {
 public:
  explicit SchtasksScheduler(platform::Processes& processes) : processes_(processes) {}
  TaskResult EndTask() override { return Run(SchtasksEndCommand()); }
  TaskResult DeleteTask() override { return Run(SchtasksDeleteCommand()); }
  TaskResult CreateTask(const WeeklyTask& task) override {
    return Run(SchtasksCreateCommand(task));
  }

 private:
  TaskResult Run(const std::string& command);

  platform::Processes& processes_;
};

// The user's crontab: one line, marked with the task's name, that starts the program with
// the task's command line on the chosen weekdays at the chosen time. Every other line stays as
// it is: the table is replaced only after "crontab -l" read it (or said the user has none).
class CrontabScheduler : public TaskScheduler {
 public:
  // crontab: the crontab program; winePrefix: the prefix the backup runs on.
  CrontabScheduler(std::string crontab, std::string winePrefix);
  TaskResult EndTask() override { return {}; }  // a cron job that is not running has nothing to end
  TaskResult DeleteTask() override;
  TaskResult CreateTask(const WeeklyTask& task) override;

  // The line for a task; nothing when its start time is not "hh:mm:00".
  std::optional<std::string> Entry(const WeeklyTask& task) const;

 private:
  struct Table {
    bool read = false;
    std::string text;
    std::string error;
  };
  Table Read() const;
  TaskResult Write(const std::string& table) const;
  // The table without the task's line; removed: set when it held one.
  static std::string WithoutTask(const std::string& table, bool* removed = nullptr);

  std::string crontab_;
  std::string winePrefix_;
};

// The scheduler of this host: schtasks on Windows, the user's crontab over a Wine prefix.
std::unique_ptr<TaskScheduler> CreateHostTaskScheduler(platform::Processes& processes);

}  // namespace quill::automation

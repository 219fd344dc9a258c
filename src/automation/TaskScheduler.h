#pragma once
// The one weekly task that runs the unattended backup: made, ended and deleted through the
// system's scheduler (schtasks on Windows, the user's crontab over a Wine prefix).

#include <memory>
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

class TaskScheduler {
 public:
  virtual ~TaskScheduler() = default;
  // Each runs to its end; failures are not reported, as the scheduler's own tool reports none.
  virtual void EndTask() = 0;
  virtual void DeleteTask() = 0;
  virtual void CreateTask(const WeeklyTask& task) = 0;
};

// The three schtasks command lines, as the Windows task is made.
std::string SchtasksEndCommand();
std::string SchtasksDeleteCommand();
std::string SchtasksCreateCommand(const WeeklyTask& task);

// Runs the three schtasks command lines hidden.
class SchtasksScheduler : public TaskScheduler {
 public:
  explicit SchtasksScheduler(platform::Processes& processes) : processes_(processes) {}
  void EndTask() override { processes_.Start(SchtasksEndCommand(), platform::WindowStyle::Hidden); }
  void DeleteTask() override {
    processes_.Start(SchtasksDeleteCommand(), platform::WindowStyle::Hidden);
  }
  void CreateTask(const WeeklyTask& task) override {
    processes_.Start(SchtasksCreateCommand(task), platform::WindowStyle::Hidden);
  }

 private:
  platform::Processes& processes_;
};

// The user's crontab: one line, marked with the task's name, that starts the program with
// the task's command line on the chosen weekdays at the chosen time. Other lines stay.
class CrontabScheduler : public TaskScheduler {
 public:
  // crontab: the crontab program; winePrefix: the prefix the backup runs on.
  CrontabScheduler(std::string crontab, std::string winePrefix);
  void EndTask() override {}  // a cron job that is not running has nothing to end
  void DeleteTask() override;
  void CreateTask(const WeeklyTask& task) override;

  // The line for a task.
  std::string Entry(const WeeklyTask& task) const;

 private:
  std::string Read() const;
  void Write(const std::string& table) const;
  static std::string WithoutTask(const std::string& table);

  std::string crontab_;
  std::string winePrefix_;
};

// The scheduler of this host: schtasks on Windows, the user's crontab over a Wine prefix.
std::unique_ptr<TaskScheduler> CreateHostTaskScheduler(platform::Processes& processes);

}  // namespace quill::automation

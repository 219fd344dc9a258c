#pragma once
// Frmoption, "Task Scheduler": the items, the backup file, a password, the weekdays and the
// start time of the weekly unattended backup, which it registers or removes.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "automation/TaskScheduler.h"
#include "core/Session.h"
#include "platform/Prompter.h"

namespace quill::automation {

class TaskSchedulerView {
 public:
  virtual ~TaskSchedulerView() = default;
  // backupitem(index)
  virtual void SetItemEnabled(std::size_t index, bool enabled) = 0;
  virtual void SetItemChecked(std::size_t index, bool checked) = 0;
  virtual bool ItemChecked(std::size_t index) = 0;
  virtual void SetSourceUser(const std::string& user) = 0;  // cbSource
  virtual std::string SourceUser() = 0;
  // chkMonday (0) to chkSunday (6)
  virtual void SetDayChecked(std::size_t day, bool checked) = 0;
  virtual bool DayChecked(std::size_t day) = 0;
  virtual void SetStartTimes(const std::vector<std::string>& times, const std::string& text) = 0;
  virtual std::string StartTime() = 0;                          // cmbStartTime
  virtual void SetTargetFileText(const std::string& text) = 0;  // txtTargetFile
  virtual bool ProtectChecked() = 0;                            // ifprotect
  virtual std::string Password() = 0;
  virtual std::string Password2() = 0;
  virtual void SetPasswordBoxes(bool enabled) = 0;
  virtual void SetAddEnabled(bool enabled) = 0;  // Command3
  virtual void Close() = 0;
};

// "0:00", "0:30", ... "23:30".
std::vector<std::string> StartTimes();
// "Mon,Tue,...,Sun" for the ticked days, "*" for none.
std::string DayList(const std::array<bool, 7>& days);
// "9:00" as "09:00:00"; nothing for text that is no time of day ("", "9", "soon", "24:00").
std::optional<std::string> TaskStartTime(const std::string& text);

class TaskSchedulerDialog {
 public:
  TaskSchedulerDialog(TaskSchedulerView& view, TaskScheduler& scheduler,
                      platform::Prompter& prompter, core::Session& session, std::string program,
                      std::string applicationFolder);

  // The dialog opens: the user, the item boxes by the backup page's rules, the proposed file.
  void Load();
  void DailyToggled(bool checked);  // chkDaily ticks or clears every weekday
  void ProtectToggled(bool checked) { view_.SetPasswordBoxes(checked); }
  void ChooseBackupFile();  // cmdTargetFile
  // Command3, "Add Task to Scheduler": the checks, then end, delete and create, each to its
  // end; the task is in place when the creation succeeds, and a failure is shown with the
  // scheduler's words. A start time that is no time is refused before anything changes.
  void AddTask();
  // Command1, "Disable Task": end and delete; a failed deletion is shown with its words.
  void RemoveTask();

  const std::string& targetFilePath() const { return target_; }

 private:
  void Message(const std::string& text, platform::MessageIcon icon);

  TaskSchedulerView& view_;
  TaskScheduler& scheduler_;
  platform::Prompter& prompter_;
  core::Session& session_;
  std::string program_;
  std::string applicationFolder_;
  std::string target_;
};

}  // namespace quill::automation

#include "automation/TaskSchedulerDialog.h"

#include <cstdio>

#include "backup/OfferedItems.h"
#include "core/AppTitle.h"
#include "platform/SystemInfo.h"
#include "platform/Text.h"

namespace quill::automation {
using platform::MessageIcon;

std::vector<std::string> StartTimes() {
  std::vector<std::string> times;
  for (int hour = 0; hour < 24; ++hour) {
    times.push_back(std::to_string(hour) + ":00");
    times.push_back(std::to_string(hour) + ":30");
  }
  return times;
}

std::string DayList(const std::array<bool, 7>& days) {
  static constexpr std::array<const char*, 7> kNames = {"Mon,", "Tue,", "Wed,", "Thu,",
                                                        "Fri,", "Sat,", "Sun"};
  std::string list;
  for (std::size_t day = 0; day < days.size(); ++day)
    if (days[day]) list += kNames[day];
  if (!list.empty() && list.back() == ',') list.pop_back();
  return list.empty() ? "*" : list;
}

std::string TaskStartTime(const std::string& text) {
  int hour = 0;
  int minute = 0;
  char rest = 0;
  if (std::sscanf(text.c_str(), "%d:%d%c", &hour, &minute, &rest) != 2) return text;
  char formatted[16];
  std::snprintf(formatted, sizeof formatted, "%02d:%02d:00", hour, minute);
  return formatted;
}

TaskSchedulerDialog::TaskSchedulerDialog(TaskSchedulerView& view, TaskScheduler& scheduler,
                                         platform::Prompter& prompter, core::Session& session,
                                         std::string program, std::string applicationFolder)
    : view_(view),
      scheduler_(scheduler),
      prompter_(prompter),
      session_(session),
      program_(std::move(program)),
      applicationFolder_(std::move(applicationFolder)) {}

void TaskSchedulerDialog::Message(const std::string& text, MessageIcon icon) {
  prompter_.Message(text, icon, platform::MessageButtons::Ok, core::kAppTitle);
}

void TaskSchedulerDialog::Load() {
  view_.SetPasswordBoxes(false);
  if (session_.keys().GetStringValue(core::kMailClientKey, "Store Root") ==
      registry::RegistryKeys::kError) {
    Message(core::ProfileDiscovery::kNotInstalled, MessageIcon::Error);
    view_.SetAddEnabled(false);
    return;
  }
  view_.SetSourceUser(platform::CleanValue(session_.profile().user));
  // The item boxes follow the backup page's rules.
  const auto boxes = backup::OfferedItems(session_.keys(), session_.profile());
  for (std::size_t index = 0; index < core::kItemCount; ++index) {
    if (!boxes[index].set) continue;
    view_.SetItemEnabled(index, boxes[index].enabled);
    view_.SetItemChecked(index, false);
  }
  target_ = platform::JoinPath(session_.settings().BackupFolder(),
                               "livemailbak-" + view_.SourceUser() + ".wlm");
  view_.SetTargetFileText(target_);
  view_.SetStartTimes(StartTimes(), "9:00");
}

void TaskSchedulerDialog::DailyToggled(bool checked) {
  for (std::size_t day = 0; day < 7; ++day) view_.SetDayChecked(day, checked);
}

void TaskSchedulerDialog::ChooseBackupFile() {
  const auto chosen =
      prompter_.SaveFileName("Save Windows Live Mail Data as",
                             "Orlo Windows Live Mail Backup File (*.wlm)|*.wlm", "quillstow");
  if (!chosen) return;
  target_ = *chosen;
  view_.SetTargetFileText(*chosen);
}

void TaskSchedulerDialog::AddTask() {
  core::ItemSet items{};
  for (std::size_t index = 0; index < core::kItemCount; ++index)
    items[index] = view_.ItemChecked(index);
  const std::string mask = core::ItemMask(items);
  if (mask.find('1') == std::string::npos)
    return Message("Please select at least one item.", MessageIcon::Warning);
  if (target_.empty()) return Message("Invalid backup file name.", MessageIcon::Warning);
  if (view_.ProtectChecked()) {
    if (view_.Password().empty() && view_.Password2().empty())
      return Message("Please enter Password!", MessageIcon::Error);
    if (view_.Password() != view_.Password2())
      return Message("Incorect Password!", MessageIcon::Error);
  }
  std::array<bool, 7> days{};
  for (std::size_t day = 0; day < 7; ++day) days[day] = view_.DayChecked(day);
  WeeklyTask task;
  task.days = DayList(days);
  task.startTime = TaskStartTime(view_.StartTime());
  task.program = program_;
  task.applicationFolder = applicationFolder_;
  task.commandLine =
      "sf=" + session_.profile().user + "xm=" + mask + "ps=" + view_.Password() + "bf=" + target_;
  scheduler_.EndTask();
  scheduler_.DeleteTask();
  scheduler_.CreateTask(task);
  Message(std::string("Task ") + kTaskName + " has been scheduled.", MessageIcon::Information);
  view_.Close();
}

void TaskSchedulerDialog::RemoveTask() {
  scheduler_.EndTask();
  scheduler_.DeleteTask();
  Message(std::string("Task ") + kTaskName + " has been Delete.", MessageIcon::Information);
}

}  // namespace quill::automation

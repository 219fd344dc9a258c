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

std::optional<std::string> TaskStartTime(const std::string& text) {
  const std::string_view time = platform::TrimBlanks(text);
  const std::size_t colon = time.find(':');
  if (colon == std::string_view::npos || colon == 0 || colon > 2 || time.size() != colon + 3)
    return std::nullopt;
  int hour = 0;
  for (char c : time.substr(0, colon)) {
    if (c < '0' || c > '9') return std::nullopt;
    hour = hour * 10 + (c - '0');
  }
  const char tens = time[colon + 1];
  const char ones = time[colon + 2];
  if (tens < '0' || tens > '5' || ones < '0' || ones > '9' || hour > 23) return std::nullopt;
  char formatted[16];
  std::snprintf(formatted, sizeof formatted, "%02d:%c%c:00", hour, tens, ones);
  return std::string(formatted);
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
  // A time the scheduler could not take is refused before the old task is ended or deleted.
  const auto startTime = TaskStartTime(view_.StartTime());
  if (!startTime)
    return Message("Invalid start time. Please enter a time such as 9:00 or 21:30.",
                   MessageIcon::Warning);
  std::array<bool, 7> days{};
  for (std::size_t day = 0; day < 7; ++day) days[day] = view_.DayChecked(day);
  WeeklyTask task;
  task.days = DayList(days);
  task.startTime = *startTime;
  task.program = program_;
  task.applicationFolder = applicationFolder_;
  task.commandLine =
      "sf=" + session_.profile().user + "xm=" + mask + "ps=" + view_.Password() + "bf=" + target_;
  // Ending and deleting fail where there is no task yet, as on the first time: whether the
  // task is in place is what its creation says (an old task that could not be deleted makes it
  // fail).
  scheduler_.EndTask();
  scheduler_.DeleteTask();
  const TaskResult created = scheduler_.CreateTask(task);
  if (!created.ok)
    return Message(std::string("Task ") + kTaskName + " could not be scheduled: " + created.error,
                   MessageIcon::Error);
  Message(std::string("Task ") + kTaskName + " has been scheduled.", MessageIcon::Information);
  view_.Close();
}

void TaskSchedulerDialog::RemoveTask() {
  scheduler_.EndTask();  // a task that is not running has nothing to end
  const TaskResult deleted = scheduler_.DeleteTask();
  if (!deleted.ok)
    return Message(std::string("Task ") + kTaskName + " could not be deleted: " + deleted.error,
                   MessageIcon::Error);
  Message(std::string("Task ") + kTaskName + " has been Delete.", MessageIcon::Information);
}

}  // namespace quill::automation

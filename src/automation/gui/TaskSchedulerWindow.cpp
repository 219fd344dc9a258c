#include "automation/gui/TaskSchedulerWindow.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "archive/Descriptor.h"

#include "core/gui/QtText.h"

namespace quill::automation {
using gui::Caption;
using gui::Text;
using gui::Utf8;
TaskSchedulerWindow::TaskSchedulerWindow(QWidget* parent) : QDialog(parent) {
  setWindowTitle("Task Scheduler");
  auto* layout = new QVBoxLayout(this);
  auto* what = new QGroupBox("What", this);
  auto* items = new QGridLayout(what);
  cbSource = new QComboBox(what);
  items->addWidget(new QLabel("User to Backup", what), 0, 0);
  items->addWidget(cbSource, 0, 1);
  items->addWidget(new QLabel("Items to backup", what), 1, 0, 1, 2);
  for (std::size_t i = 0; i < core::kItemCount; ++i) {
    backupitem[i] = new QCheckBox(Caption(core::kItems[i].caption), what);
    items->addWidget(backupitem[i], 2 + static_cast<int>(i / 2), static_cast<int>(i % 2));
  }
  layout->addWidget(what);

  auto* schedule = new QGroupBox("Schedule", this);
  auto* week = new QGridLayout(schedule);
  static constexpr std::array<const char*, 7> kDays = {
      "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};
  for (std::size_t day = 0; day < days.size(); ++day) {
    days[day] = new QCheckBox(kDays[day], schedule);
    week->addWidget(days[day], static_cast<int>(day / 4), static_cast<int>(day % 4));
  }
  chkDaily = new QCheckBox("Run daily", schedule);
  week->addWidget(chkDaily, 2, 0);
  cmbStartTime = new QComboBox(schedule);
  cmbStartTime->setEditable(true);
  week->addWidget(new QLabel("Start backup at", schedule), 2, 1);
  week->addWidget(cmbStartTime, 2, 2);
  layout->addWidget(schedule);

  auto* target = new QHBoxLayout;
  txtTargetFile = new QLineEdit(this);
  cmdTargetFile = new QPushButton("Browse...", this);
  target->addWidget(txtTargetFile);
  target->addWidget(cmdTargetFile);
  layout->addWidget(new QLabel("Backup Filename(Default folder & filename)", this));
  layout->addLayout(target);

  auto* security = new QGroupBox("Security", this);
  auto* secure = new QFormLayout(security);
  ifprotect = new QCheckBox("Protect backup file with password", security);
  txtPassword = new QLineEdit(security);
  txtPassword2 = new QLineEdit(security);
  txtPassword->setEchoMode(QLineEdit::Password);
  txtPassword2->setEchoMode(QLineEdit::Password);
  secure->addRow(ifprotect);
  secure->addRow("Password:", txtPassword);
  secure->addRow("Retype Password:", txtPassword2);
  layout->addWidget(security);

  auto* note = new QLabel(
      "The automatic backup runs through the system's task scheduler. \"Add Task to Scheduler\" "
      "creates the task; \"Disable Task\" removes it.",
      this);
  note->setWordWrap(true);
  layout->addWidget(note);
  auto* buttons = new QHBoxLayout;
  Command3 = new QPushButton("Add Task to Scheduler", this);
  Command1 = new QPushButton("Disable Task", this);
  Command2 = new QPushButton("Cancel", this);
  buttons->addStretch();
  buttons->addWidget(Command3);
  buttons->addWidget(Command1);
  buttons->addWidget(Command2);
  layout->addLayout(buttons);
}

void TaskSchedulerWindow::Attach(TaskSchedulerDialog& dialog) {
  connect(chkDaily, &QCheckBox::toggled, this, [&dialog](bool on) { dialog.DailyToggled(on); });
  connect(ifprotect, &QCheckBox::toggled, this, [&dialog](bool on) { dialog.ProtectToggled(on); });
  connect(cmdTargetFile, &QPushButton::clicked, this, [&dialog] { dialog.ChooseBackupFile(); });
  connect(Command3, &QPushButton::clicked, this, [&dialog] { dialog.AddTask(); });
  connect(Command1, &QPushButton::clicked, this, [&dialog] { dialog.RemoveTask(); });
  connect(Command2, &QPushButton::clicked, this, [this] { reject(); });
  dialog.Load();
}

void TaskSchedulerWindow::SetItemEnabled(std::size_t i, bool on) {
  backupitem[i]->setEnabled(on);
}
void TaskSchedulerWindow::SetItemChecked(std::size_t i, bool on) {
  backupitem[i]->setChecked(on);
}
bool TaskSchedulerWindow::ItemChecked(std::size_t i) {
  return backupitem[i]->isChecked();
}
void TaskSchedulerWindow::SetSourceUser(const std::string& user) {
  cbSource->clear();
  cbSource->addItem(Text(user));
}
std::string TaskSchedulerWindow::SourceUser() {
  return Utf8(cbSource->currentText());
}
void TaskSchedulerWindow::SetDayChecked(std::size_t day, bool on) {
  days[day]->setChecked(on);
}
bool TaskSchedulerWindow::DayChecked(std::size_t day) {
  return days[day]->isChecked();
}
void TaskSchedulerWindow::SetStartTimes(const std::vector<std::string>& times,
                                        const std::string& text) {
  cmbStartTime->clear();
  for (const std::string& time : times) cmbStartTime->addItem(Text(time));
  cmbStartTime->setCurrentText(Text(text));
}
std::string TaskSchedulerWindow::StartTime() {
  return Utf8(cmbStartTime->currentText());
}
void TaskSchedulerWindow::SetTargetFileText(const std::string& text) {
  txtTargetFile->setText(Text(text));
}
bool TaskSchedulerWindow::ProtectChecked() {
  return ifprotect->isChecked();
}
std::string TaskSchedulerWindow::Password() {
  return Utf8(txtPassword->text());
}
std::string TaskSchedulerWindow::Password2() {
  return Utf8(txtPassword2->text());
}
void TaskSchedulerWindow::SetPasswordBoxes(bool enabled) {
  for (QLineEdit* box : {txtPassword, txtPassword2}) {
    box->clear();
    box->setEnabled(enabled);
  }
}
void TaskSchedulerWindow::SetAddEnabled(bool enabled) {
  Command3->setEnabled(enabled);
}
void TaskSchedulerWindow::Close() {
  accept();
}

}  // namespace quill::automation

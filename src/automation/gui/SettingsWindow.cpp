#include "automation/gui/SettingsWindow.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <cstring>

#include "core/gui/QtText.h"

namespace quill::automation {

SettingsWindow::SettingsWindow(QWidget* parent) : QDialog(parent) {
  setWindowTitle("Settings");
  auto* layout = new QVBoxLayout(this);
  SSTab1 = new QTabWidget(this);
  const auto page = [this](const char* tab, const char* frame) {
    auto* widget = new QWidget;
    auto* outer = new QVBoxLayout(widget);
    auto* group = new QGroupBox(frame, widget);
    outer->addWidget(group);
    outer->addStretch();
    SSTab1->addTab(widget, tab);
    return std::pair{group, new QVBoxLayout(group)};
  };
  auto [general, generalLayout] = page("General", "General");
  auto [backup, backupLayout] = page("Backup", "Backup");
  auto [scheduled, scheduledLayout] = page(" Scheduled Backup", "Bacukup Files");
  for (std::size_t i = 0; i < kSettingBoxes.size(); ++i) {
    const bool onGeneral = std::strcmp(kSettingBoxes[i].setting.section, "General") == 0;
    boxes[i] = new QCheckBox(kSettingBoxes[i].caption, onGeneral ? general : backup);
    (onGeneral ? generalLayout : backupLayout)->addWidget(boxes[i]);
  }
  backupLayout->addWidget(new QLabel("Default folder for backups", backup));
  auto* folder = new QHBoxLayout;
  Text1 = new QLineEdit(backup);
  Command1 = new QPushButton(backup);
  Command1->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
  folder->addWidget(Text1);
  folder->addWidget(Command1);
  backupLayout->addLayout(folder);
  Option1 = new QRadioButton("Replace to default AutoBackup file", scheduled);
  Option2 = new QRadioButton("Auto Backup to a new file", scheduled);
  scheduledLayout->addWidget(Option1);
  scheduledLayout->addWidget(Option2);
  auto* keep = new QHBoxLayout;
  auto* keepLabel = new QLabel("Keep the newest backup files:", scheduled);
  spnKeepBackups = new QSpinBox(scheduled);
  spnKeepBackups->setObjectName("spnKeepBackups");
  spnKeepBackups->setRange(0, 999);
  spnKeepBackups->setSpecialValueText("all");
  spnKeepBackups->setToolTip(
      "Older backup files are removed only after a new one is written and checked.");
  keepLabel->setBuddy(spnKeepBackups);
  keep->addWidget(keepLabel);
  keep->addWidget(spnKeepBackups);
  keep->addStretch();
  scheduledLayout->addLayout(keep);
  // The number counts only for the new file each run.
  spnKeepBackups->setEnabled(false);
  connect(Option2, &QRadioButton::toggled, spnKeepBackups, &QSpinBox::setEnabled);
  layout->addWidget(SSTab1);
  auto* buttons = new QHBoxLayout;
  Command2 = new QPushButton("OK", this);
  Command3 = new QPushButton("Cancel", this);
  buttons->addStretch();
  buttons->addWidget(Command2);
  buttons->addWidget(Command3);
  layout->addLayout(buttons);
}

void SettingsWindow::Attach(SettingsDialog& dialog) {
  connect(Command1, &QPushButton::clicked, this, [&dialog] { dialog.ChooseFolder(); });
  connect(Command2, &QPushButton::clicked, this, [&dialog] { dialog.Apply(); });
  connect(Command3, &QPushButton::clicked, this, [&dialog] { dialog.Cancel(); });
  dialog.Load();
}

void SettingsWindow::SetFolderText(const std::string& text) {
  Text1->setText(QString::fromUtf8(text.c_str()));
}
std::string SettingsWindow::FolderText() {
  return gui::Utf8(Text1->text());
}
void SettingsWindow::SetKeptBackups(std::size_t count) {
  spnKeepBackups->setValue(static_cast<int>(std::min<std::size_t>(count, 999)));
}
void SettingsWindow::SetNewFileEachRun(bool selected) {
  Option2->setChecked(selected);
  Option1->setChecked(!selected);
}

}  // namespace quill::automation

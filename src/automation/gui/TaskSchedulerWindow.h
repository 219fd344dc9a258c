#pragma once
// Frmoption's window: the controls of the weekly task; the dialog logic does the rest.

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <array>
#include <memory>

#include "automation/TaskSchedulerDialog.h"
#include "core/ItemCatalogue.h"

namespace quill::automation {

class TaskSchedulerWindow : public QDialog, public TaskSchedulerView {
 public:
  explicit TaskSchedulerWindow(QWidget* parent = nullptr);
  // Connects the controls and loads the dialog.
  void Attach(TaskSchedulerDialog& dialog);

  void SetItemEnabled(std::size_t index, bool enabled) override;
  void SetItemChecked(std::size_t index, bool checked) override;
  bool ItemChecked(std::size_t index) override;
  void SetSourceUser(const std::string& user) override;
  std::string SourceUser() override;
  void SetDayChecked(std::size_t day, bool checked) override;
  bool DayChecked(std::size_t day) override;
  void SetStartTimes(const std::vector<std::string>& times, const std::string& text) override;
  std::string StartTime() override;
  void SetTargetFileText(const std::string& text) override;
  bool ProtectChecked() override;
  std::string Password() override;
  std::string Password2() override;
  void SetPasswordBoxes(bool enabled) override;
  void SetAddEnabled(bool enabled) override;
  void Close() override;

  QComboBox* cbSource = nullptr;
  std::array<QCheckBox*, core::kItemCount> backupitem{};
  std::array<QCheckBox*, 7> days{};  // chkMonday to chkSunday
  QCheckBox* chkDaily = nullptr;
  QComboBox* cmbStartTime = nullptr;
  QLineEdit* txtTargetFile = nullptr;
  QPushButton* cmdTargetFile = nullptr;
  QCheckBox* ifprotect = nullptr;
  QLineEdit* txtPassword = nullptr;
  QLineEdit* txtPassword2 = nullptr;
  QPushButton* Command3 = nullptr;
  QPushButton* Command1 = nullptr;
  QPushButton* Command2 = nullptr;
};

}  // namespace quill::automation

#pragma once
// Frmsettings' window: three pages of options; the dialog logic does the rest.

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <array>

#include "automation/SettingsDialog.h"

namespace quill::automation {

class SettingsWindow : public QDialog, public SettingsView {
 public:
  explicit SettingsWindow(QWidget* parent = nullptr);
  void Attach(SettingsDialog& dialog);

  void SetBoxChecked(std::size_t index, bool checked) override {
    boxes[index]->setChecked(checked);
  }
  bool BoxChecked(std::size_t index) override { return boxes[index]->isChecked(); }
  void SetFolderText(const std::string& text) override;
  std::string FolderText() override;
  void SetNewFileEachRun(bool selected) override;
  bool NewFileEachRun() override { return Option2->isChecked(); }
  void SetKeptBackups(std::size_t count) override;
  std::size_t KeptBackups() override { return static_cast<std::size_t>(spnKeepBackups->value()); }
  void Close() override { accept(); }

  QTabWidget* SSTab1 = nullptr;
  std::array<QCheckBox*, 8> boxes{};  // by the order of kSettingBoxes
  QLineEdit* Text1 = nullptr;
  QPushButton* Command1 = nullptr;
  QRadioButton* Option1 = nullptr;
  QRadioButton* Option2 = nullptr;
  QSpinBox* spnKeepBackups = nullptr;
  QPushButton* Command2 = nullptr;
  QPushButton* Command3 = nullptr;
};

}  // namespace quill::automation

#pragma once
// frmErase: the erase dialog's controls; EraseDialogLogic decides.

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "disc/EraseDialogLogic.h"

namespace quill::disc {

class EraseWindow : public QDialog, public EraseDialogView {
 public:
  explicit EraseWindow(QWidget* parent = nullptr);
  void Attach(EraseDialogLogic& logic);

  bool QuickErase() const override;
  void SetStatus(const std::string& text) override;
  void SetButtonsEnabled(bool enabled) override;
  void SetProgress(int percent) override;
  void Close() override;

  QLabel* lblNote = nullptr;
  QCheckBox* chkQuikErase = nullptr;
  QPushButton* cmdErase = nullptr;
  QPushButton* cmdCancel = nullptr;
  QProgressBar* prgEraseProgress = nullptr;
  QLabel* lblStatus = nullptr;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  EraseDialogLogic* logic_ = nullptr;
};

}  // namespace quill::disc

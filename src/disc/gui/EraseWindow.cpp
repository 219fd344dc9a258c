#include "disc/gui/EraseWindow.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "core/gui/QtText.h"

namespace quill::disc {

EraseWindow::EraseWindow(QWidget* parent) : QDialog(parent) {
  setObjectName("frmErase");
  setWindowTitle(kEraseCaption);
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  lblNote = new QLabel(kEraseNote, this);
  lblNote->setWordWrap(true);
  chkQuikErase = new QCheckBox("Perform Quick Erase", this);
  chkQuikErase->setObjectName("chkQuikErase");
  chkQuikErase->setChecked(true);
  prgEraseProgress = new QProgressBar(this);
  prgEraseProgress->setObjectName("prgEraseProgress");
  prgEraseProgress->setRange(0, 100);
  prgEraseProgress->setValue(0);
  lblStatus = new QLabel(this);
  lblStatus->setObjectName("lblStatus");
  cmdErase = new QPushButton("&Erase", this);
  cmdErase->setObjectName("cmdErase");
  cmdCancel = new QPushButton("&Cancel", this);
  cmdCancel->setObjectName("cmdCancel");
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cmdErase);
  buttons->addWidget(cmdCancel);
  layout->addWidget(lblNote);
  layout->addWidget(chkQuikErase);
  layout->addWidget(prgEraseProgress);
  layout->addWidget(lblStatus);
  layout->addLayout(buttons);
  resize(420, 220);
}

void EraseWindow::Attach(EraseDialogLogic& logic) {
  logic_ = &logic;
  connect(cmdErase, &QPushButton::clicked, this, [this] { logic_->EraseMedium(); });
  connect(cmdCancel, &QPushButton::clicked, this, [this] { logic_->CloseDialog(); });
  logic.PrepareToShow();
}

bool EraseWindow::QuickErase() const {
  return chkQuikErase->isChecked();
}
void EraseWindow::SetStatus(const std::string& text) {
  lblStatus->setText(gui::Text(text));
}
void EraseWindow::SetButtonsEnabled(bool enabled) {
  cmdErase->setEnabled(enabled);
  cmdCancel->setEnabled(enabled);
}
void EraseWindow::SetProgress(int percent) {
  prgEraseProgress->setValue(percent);
}
void EraseWindow::Close() {
  done(QDialog::Accepted);
}

void EraseWindow::closeEvent(QCloseEvent* event) {
  if (logic_ != nullptr && !logic_->CanClose()) return event->ignore();
  QDialog::closeEvent(event);
}

void EraseWindow::reject() {
  if (logic_ == nullptr || logic_->CanClose()) QDialog::reject();
}

}  // namespace quill::disc

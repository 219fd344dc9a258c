#include "app/gui/QtPrompter.h"

#include "app/gui/GuiThread.h"

#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

#include "core/gui/QtText.h"

namespace quill::app {
using gui::Text;
using gui::Utf8;
QString QtFilter(const std::string& filter) {
  const std::size_t bar = filter.find('|');
  return Text(bar == std::string::npos ? filter : filter.substr(0, bar));
}

platform::MessageAnswer QtPrompter::Message(const std::string& text, platform::MessageIcon icon,
                                            platform::MessageButtons buttons,
                                            const std::string& caption) {
  // Dialogs belong to the window's thread, whichever thread asks.
  return OnGui([&] {
    QMessageBox box(parent_);
    box.setWindowTitle(Text(caption));
    QString shown = Text(text);
    shown.remove(QChar('\r'));
    box.setText(shown);
    switch (icon) {
      case platform::MessageIcon::Error:
        box.setIcon(QMessageBox::Critical);
        break;
      case platform::MessageIcon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
      case platform::MessageIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
      case platform::MessageIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
      case platform::MessageIcon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    }
    switch (buttons) {
      case platform::MessageButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
      case platform::MessageButtons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
      case platform::MessageButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
      case platform::MessageButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
      case platform::MessageButtons::RetryCancel:
        box.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
      case QMessageBox::Ok:
        return platform::MessageAnswer::Ok;
      case QMessageBox::Yes:
        return platform::MessageAnswer::Yes;
      case QMessageBox::No:
        return platform::MessageAnswer::No;
      case QMessageBox::Retry:
        return platform::MessageAnswer::Retry;
      default:
        return platform::MessageAnswer::Cancel;
    }
  });
}

// File dialogs give paths with the system's separators (backslashes on Windows), as the settings
// and the scheduled task keep them.
std::optional<std::string> QtPrompter::SaveFileName(const std::string& title,
                                                    const std::string& filter,
                                                    const std::string& proposedName) {
  // Dialogs belong to the window's thread, whichever thread asks.
  return OnGui([&]() -> std::optional<std::string> {
    // The dialog asks before an existing file is overwritten.
    const QString chosen =
        QFileDialog::getSaveFileName(parent_, Text(title), Text(proposedName), QtFilter(filter));
    if (chosen.isEmpty()) return std::nullopt;
    return Utf8(QDir::toNativeSeparators(chosen));
  });
}

std::optional<std::string> QtPrompter::OpenFileName(const std::string& title,
                                                    const std::string& filter) {
  // Dialogs belong to the window's thread, whichever thread asks.
  return OnGui([&]() -> std::optional<std::string> {
    const QString chosen =
        QFileDialog::getOpenFileName(parent_, Text(title), QString(), QtFilter(filter));
    if (chosen.isEmpty()) return std::nullopt;
    return Utf8(QDir::toNativeSeparators(chosen));
  });
}

std::string QtPrompter::ChooseFolder(const std::string& prompt) {
  // Dialogs belong to the window's thread, whichever thread asks.
  return OnGui([&] {
    return Utf8(QDir::toNativeSeparators(QFileDialog::getExistingDirectory(parent_, Text(prompt))));
  });
}

std::optional<std::string> QtPrompter::AskPassword() {
  // Dialogs belong to the window's thread, whichever thread asks.
  return OnGui([&]() -> std::optional<std::string> {
    bool ok = false;
    const QString typed = QInputDialog::getText(parent_, "Please enter password", QString(),
                                                QLineEdit::Password, QString(), &ok);
    if (!ok) return std::nullopt;
    return Utf8(typed);
  });
}

std::optional<std::string> QtPrompter::ChooseOne(const std::string& title, const std::string& label,
                                                 const std::vector<std::string>& choices) {
  // Dialogs belong to the window's thread, whichever thread asks.
  return OnGui([&]() -> std::optional<std::string> {
    QStringList items;
    for (const std::string& choice : choices) items << Text(choice);
    bool ok = false;
    const QString chosen =
        QInputDialog::getItem(parent_, Text(title), Text(label), items, 0, false, &ok);
    if (!ok) return std::nullopt;
    return Utf8(chosen);
  });
}

}  // namespace quill::app

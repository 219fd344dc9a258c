#pragma once
// Message boxes, file dialogs and the password prompt of the windowed program.

#include <QWidget>

#include "platform/Prompter.h"

namespace quill::app {

class QtPrompter : public platform::Prompter {
 public:
  explicit QtPrompter(QWidget* parent = nullptr) : parent_(parent) {}
  void SetParent(QWidget* parent) { parent_ = parent; }

  platform::MessageAnswer Message(const std::string& text, platform::MessageIcon icon,
                                  platform::MessageButtons buttons,
                                  const std::string& caption) override;
  std::optional<std::string> SaveFileName(const std::string& title, const std::string& filter,
                                          const std::string& proposedName) override;
  std::optional<std::string> OpenFileName(const std::string& title,
                                          const std::string& filter) override;
  // frmPwd: "Please enter password", OK or Cancel.
  std::optional<std::string> AskPassword() override;
  std::optional<std::string> ChooseOne(const std::string& title, const std::string& label,
                                       const std::vector<std::string>& choices) override;
  std::string ChooseFolder(const std::string& prompt) override;

 private:
  QWidget* parent_;
};

// "Description (*.wlm)|*.wlm" as Qt writes a filter: "Description (*.wlm)".
QString QtFilter(const std::string& filter);

}  // namespace quill::app

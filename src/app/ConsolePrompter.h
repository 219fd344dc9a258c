#pragma once

#include "platform/Prompter.h"

namespace quill::app {

// Messages for a program without windows: written to standard error, answered with the
// first button.
class ConsolePrompter : public platform::Prompter {
 public:
  platform::MessageAnswer Message(const std::string& text, platform::MessageIcon icon,
                                  platform::MessageButtons buttons,
                                  const std::string& caption) override;
  // Without a window nobody chooses a file.
  std::optional<std::string> SaveFileName(const std::string&, const std::string&,
                                          const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::string> OpenFileName(const std::string&, const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::string> AskPassword() override { return std::nullopt; }
  std::string ChooseFolder(const std::string&) override { return std::string(); }
  std::optional<std::string> ChooseOne(const std::string&, const std::string&,
                                       const std::vector<std::string>&) override {
    return std::nullopt;
  }
};

}  // namespace quill::app

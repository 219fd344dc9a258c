#pragma once
// A Prompter for tests: it shows nothing and answers what the test set.

#include <optional>
#include <string>
#include <vector>

#include "platform/Prompter.h"

namespace quill::test {

// Records every message instead of showing it, and answers with a set reply.
class RecordingPrompter : public platform::Prompter {
 public:
  struct Shown {
    std::string text;
    platform::MessageIcon icon;
    platform::MessageButtons buttons;
    std::string caption;
  };
  platform::MessageAnswer Message(const std::string& text, platform::MessageIcon icon,
                                  platform::MessageButtons buttons,
                                  const std::string& caption) override;
  std::optional<std::string> SaveFileName(const std::string& title, const std::string& filter,
                                          const std::string& proposedName) override;
  std::optional<std::string> OpenFileName(const std::string& title,
                                          const std::string& filter) override;
  std::optional<std::string> AskPassword() override;
  std::string ChooseFolder(const std::string& prompt) override {
    folderAsked = prompt;
    return folder;
  }
  std::optional<std::string> ChooseOne(const std::string&, const std::string& label,
                                       const std::vector<std::string>& choices) override {
    choicesShown.push_back({label, choices});
    return chosen;
  }
  std::optional<std::string> chosen;  // the list's answer; nothing: cancelled
  std::vector<std::pair<std::string, std::vector<std::string>>> choicesShown;
  std::string folder;  // the folder browser's answer
  std::string folderAsked;
  std::vector<Shown> shown;
  // The open dialog's and the password prompt's answers, and how often each was asked.
  std::optional<std::string> openPath;
  std::optional<std::string> password;
  std::vector<std::string> openAsked;
  int passwordAsked = 0;
  // The save dialog's answer, and what it was asked.
  std::optional<std::string> savePath;
  std::vector<std::string> saveAsked;
  platform::MessageAnswer reply = platform::MessageAnswer::Ok;
};

}  // namespace quill::test

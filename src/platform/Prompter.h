#pragma once
// Message boxes and the other questions a user answers. Windows show them; tests answer.

#include <optional>
#include <string>
#include <vector>

namespace quill::platform {

enum class MessageIcon { None, Error, Warning, Information, Question };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No, Retry };

class Prompter {
 public:
  virtual ~Prompter() = default;
  virtual MessageAnswer Message(const std::string& text, MessageIcon icon, MessageButtons buttons,
                                const std::string& caption) = 0;
  // The common save dialog: a filter "Description (*.ext)|*.ext", a proposed file name, and
  // a question before an existing file is overwritten. Nothing when the user cancels.
  virtual std::optional<std::string> SaveFileName(const std::string& title,
                                                  const std::string& filter,
                                                  const std::string& proposedName) = 0;
  // The common open dialog. Nothing when the user cancels.
  virtual std::optional<std::string> OpenFileName(const std::string& title,
                                                  const std::string& filter) = 0;
  // The folder browser, with its prompt text; "" when the user cancels.
  virtual std::string ChooseFolder(const std::string& prompt) = 0;
  // The password prompt of a protected backup file. Nothing when the user cancels.
  virtual std::optional<std::string> AskPassword() = 0;
  // One of several choices, picked from a list under a label. Nothing when the user cancels.
  virtual std::optional<std::string> ChooseOne(const std::string& title, const std::string& label,
                                               const std::vector<std::string>& choices) = 0;
};

}  // namespace quill::platform

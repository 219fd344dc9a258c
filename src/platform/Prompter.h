#pragma once
// Message boxes and the other questions a user answers. Windows show them; tests answer.

#include <string>

namespace quill::platform {

enum class MessageIcon { None, Error, Warning, Information, Question };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No, Retry };

class Prompter {
 public:
  virtual ~Prompter() = default;
  virtual MessageAnswer Message(const std::string& text, MessageIcon icon, MessageButtons buttons,
                                const std::string& caption) = 0;
};

}  // namespace quill::platform

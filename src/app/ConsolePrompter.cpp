#include "app/ConsolePrompter.h"

#include <iostream>

namespace quill::app {

platform::MessageAnswer ConsolePrompter::Message(const std::string& text,
                                                 platform::MessageIcon icon,
                                                 platform::MessageButtons buttons,
                                                 const std::string& caption) {
  const char* kind = icon == platform::MessageIcon::Error     ? "error: "
                     : icon == platform::MessageIcon::Warning ? "warning: "
                                                              : "";
  std::cerr << caption << ": " << kind << text << '\n';
  switch (buttons) {
    case platform::MessageButtons::YesNo:
    case platform::MessageButtons::YesNoCancel:
      return platform::MessageAnswer::Yes;
    case platform::MessageButtons::RetryCancel:
      return platform::MessageAnswer::Cancel;
    default:
      return platform::MessageAnswer::Ok;
  }
}

}  // namespace quill::app

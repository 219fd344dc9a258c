#include "support/RecordingPrompter.h"

namespace quill::test {

platform::MessageAnswer RecordingPrompter::Message(const std::string& text,
                                                   platform::MessageIcon icon,
                                                   platform::MessageButtons buttons,
                                                   const std::string& caption) {
  shown.push_back({text, icon, buttons, caption});
  return reply;
}

std::optional<std::string> RecordingPrompter::SaveFileName(const std::string& title,
                                                           const std::string& filter,
                                                           const std::string& proposedName) {
  saveAsked = {title, filter, proposedName};
  return savePath;
}

std::optional<std::string> RecordingPrompter::OpenFileName(const std::string& title,
                                                           const std::string& filter) {
  openAsked = {title, filter};
  return openPath;
}

std::optional<std::string> RecordingPrompter::AskPassword() {
  ++passwordAsked;
  return password;
}

}  // namespace quill::test

#include "app/BackupInspection.h"

#include <filesystem>

#include "core/AppTitle.h"
#include "platform/Files.h"

namespace quill::app {
using platform::MessageButtons;
using platform::MessageIcon;

BackupInspection::BackupInspection(archive::ZipComponent& zip1, archive::ZipComponent& zip2,
                                   platform::Prompter& prompter, RestorePageView& view,
                                   std::string descriptorPath)
    : zip1_(zip1),
      zip2_(zip2),
      prompter_(prompter),
      view_(view),
      descriptorPath_(std::move(descriptorPath)) {}

void BackupInspection::Reset() {
  Close();
  for (std::size_t index = 0; index < archive::kItemCount; ++index) {
    view_.SetItemChecked(index, false);
    view_.SetItemEnabled(index, false);
  }
  view_.SetSourceFileText("");
  view_.SetFileInfoText("");
  view_.SetBackupInfoText("");
  // Flags and lists always come from the file chosen now; the invalid flag stays until a
  // file is accepted.
  const bool invalid = source_.invalid;
  source_ = RestoreSource{};
  source_.invalid = invalid;
}

void BackupInspection::Close() {
  zip1_.CloseZip();
  zip2_.CloseZip();
}

BackupInspection::Outcome BackupInspection::cmdSourceFile_Click() {
  Reset();
  const auto chosen = prompter_.OpenFileName("Restore Data from a Backup file",
                                             "Orlo Windows Live Mail Backup File(*.wlm)|*.wlm");
  if (!chosen || chosen->empty()) return Outcome::Cancelled;
  return Inspect(*chosen);
}

BackupInspection::Outcome BackupInspection::Reject() {
  // The descriptor copy of a file that is no backup is no state to keep.
  std::error_code error;
  std::filesystem::remove(platform::HostPath(descriptorPath_), error);
  prompter_.Message("Invalid backup file", MessageIcon::Error, MessageButtons::Ok, core::kAppTitle);
  source_.invalid = true;
  return Outcome::Invalid;
}

BackupInspection::Outcome BackupInspection::Inspect(const std::string& path) {
  Reset();
  const bool isProtected = archive::ZipComponent::IsPasswordProtected(path);
  if (isProtected) {
    // A cancelled prompt leaves the password as it was.
    if (const auto typed = prompter_.AskPassword()) rtPassword_ = *typed;
    zip1_.OpenZip(path);
    zip1_.SetDecryptPassword(rtPassword_);
    if (!zip1_.VerifyPassword()) {
      prompter_.Message("Incorect Password or Invalid backup file", MessageIcon::Information,
                        MessageButtons::Ok, core::kAppTitle);
      return Outcome::WrongPassword;
    }
  } else {
    zip1_.OpenZip(path);
    zip1_.SetDecryptPassword("");
  }
  view_.SetSourceFileText(path);
  source_.sourceName = path;
  source_.password = isProtected ? rtPassword_ : std::string();

  std::error_code error;
  const auto descriptor = platform::HostPath(descriptorPath_);
  std::filesystem::remove(descriptor, error);
  const auto entry = zip1_.FindEntry(archive::kDescriptorName);
  const bool extracted =
      entry && zip1_.ExtractEntry(*entry, platform::PathText(descriptor.parent_path()));
  if (!extracted) return Reject();

  const archive::DescriptorContents contents = archive::ReadDescriptor(descriptorPath_);
  view_.SetBackupInfoText("Computer:" + contents.computer + "\r\nUser:" + contents.user +
                          "\r\nDate:" + contents.time);
  view_.SetFileInfoText(contents.information);
  if (!contents.valid()) return Reject();
  source_.flags = contents.flags;
  for (std::size_t index = 0; index < archive::kItemCount; ++index) {
    const bool present = contents.flags[index] == '1';
    view_.SetItemEnabled(index, present);
    if (present) source_.entries[index] = contents.entries[index];
  }
  source_.invalid = false;
  return Outcome::Accepted;
}

}  // namespace quill::app

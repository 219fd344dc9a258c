#pragma once
// Picking a backup file on the restore page: it is opened (with its password when it is
// protected), its descriptor is taken out and shown, and the items it holds are enabled.
// What it leaves is the state the restore run works from.

#include <array>
#include <string>
#include <vector>

#include "app/RestorePageView.h"
#include "archive/Descriptor.h"
#include "archive/ZipComponent.h"
#include "platform/Prompter.h"

namespace quill::app {

// The restore side's state: it lives until the next inspection.
struct RestoreSource {
  std::string sourceName;  // the chosen file
  std::string password;    // the password it opened with
  std::string flags;       // BackupItem, trimmed
  std::array<std::vector<std::string>, archive::kItemCount> entries;
  bool invalid = false;  // the last inspected file was not a backup

  bool Holds(std::size_t index) const {
    return flags.size() == archive::kItemCount && flags[index] == '1';
  }
};

class BackupInspection {
 public:
  enum class Outcome { Cancelled, WrongPassword, Invalid, Accepted };

  BackupInspection(archive::ZipComponent& zip1, archive::ZipComponent& zip2,
                   platform::Prompter& prompter, RestorePageView& view, std::string descriptorPath);

  // The Browse... button: reset, choose a file, inspect it.
  Outcome cmdSourceFile_Click();
  // Inspects a chosen file (everything after the open dialog).
  Outcome Inspect(const std::string& path);

  const RestoreSource& source() const { return source_; }
  // Releases both archive instances from their files.
  void Close();
  // The password the prompt stored last (rtPassword).
  const std::string& rtPassword() const { return rtPassword_; }

 private:
  void Reset();
  Outcome Reject();

  archive::ZipComponent& zip1_;
  archive::ZipComponent& zip2_;
  platform::Prompter& prompter_;
  RestorePageView& view_;
  std::string descriptorPath_;
  std::string rtPassword_;
  RestoreSource source_;
};

}  // namespace quill::app

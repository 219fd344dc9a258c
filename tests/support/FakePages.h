#pragma once
// The backup and the restore page, remembered instead of shown.

#include <array>
#include <string>

#include "app/BackupPageView.h"
#include "app/RestorePageView.h"
#include "archive/Descriptor.h"
#include "support/RecordingProgress.h"

namespace quill::test {

// The backup page, remembered instead of shown.
struct FakeBackupPage : app::BackupPageView, test::RecordingProgress {
  std::array<bool, core::kItemCount> enabled{};
  std::array<bool, core::kItemCount> checked{};
  std::string targetText, user = "Ann", password, password2, info;
  bool protect = false;

  void SetItemEnabled(std::size_t i, bool on) override { enabled[i] = on; }
  bool ItemEnabled(std::size_t i) override { return enabled[i]; }
  void SetItemChecked(std::size_t i, bool on) override { checked[i] = on; }
  bool ItemChecked(std::size_t i) override { return checked[i]; }
  void SetTargetFileText(const std::string& text) override { targetText = text; }
  std::string TargetFileText() override { return targetText; }
  std::string SourceUser() override { return user; }
  bool ProtectChecked() override { return protect; }
  std::string Password() override { return password; }
  std::string Password2() override { return password2; }
  std::string AttachInfo() override { return info; }
};

// The restore page, remembered instead of shown.
struct FakeRestorePage : app::RestorePageView, test::RecordingProgress {
  std::array<bool, core::kItemCount> enabled{};
  std::array<bool, core::kItemCount> checked{};
  std::string source, fileInfo, backupInfo, user = "anna";
  void SetItemEnabled(std::size_t i, bool on) override { enabled[i] = on; }
  bool ItemEnabled(std::size_t i) override { return enabled[i]; }
  void SetItemChecked(std::size_t i, bool on) override { checked[i] = on; }
  bool ItemChecked(std::size_t i) override { return checked[i]; }
  void SetSourceFileText(const std::string& text) override { source = text; }
  void SetFileInfoText(const std::string& text) override { fileInfo = text; }
  void SetBackupInfoText(const std::string& text) override { backupInfo = text; }
  std::string TargetUser() override { return user; }
};

}  // namespace quill::test

#pragma once
// The backup page's logic: which items can be chosen, the proposed file name, the file
// chooser, and a backup with its checks, progress, summary and the follow-up actions the
// user chose in the settings (stop and start the mail client, the disc window, the folder).

#include <functional>
#include <string>

#include "app/BackupPageView.h"
#include "app/RunProgress.h"
#include "backup/BackupEngine.h"
#include "core/Session.h"
#include "platform/Prompter.h"

namespace quill::app {

// What happens after a backup that is not this page's business.
struct BackupFollowUps {
  // Opens the disc window with the new backup file (its name and its full path) and waits
  // for it to close.
  std::function<void(const std::string& name, const std::string& path)> openDiscWindow;
};

class BackupPage {
 public:
  BackupPage(core::Session& session, backup::BackupEngine& engine, platform::Prompter& prompter,
             BackupPageView& view, BackupFollowUps followUps = {});

  // The item boxes by what the profile holds, and the proposed file name when the settings
  // ask for one.
  void Prepare();
  // The file chooser of the Browse button.
  void ChooseTarget();
  // Checks the input and makes the backup into the file the file box names, typed or chosen.
  // True when the backup file was written.
  bool Run();
  // Asks the run under way, from any thread, to stop at its next file or folder: it writes no
  // file and leaves one already at the target as it was.
  void Cancel() { stop_.Request(); }

  // The backup file of the last run, or the one proposed or chosen since.
  const std::string& targetFile() const { return targetFile_; }

 private:
  bool InputChecked();
  core::ItemSet ChosenItems();
  // Why the file box's text names no file a backup can be written to; empty when it does.
  std::string TargetProblem(const std::string& path) const;
  void Message(const std::string& text, platform::MessageIcon icon);
  void FollowUp(bool written);

  core::Session& session_;
  backup::BackupEngine& engine_;
  platform::Prompter& prompter_;
  BackupPageView& view_;
  BackupFollowUps followUps_;
  std::string targetFile_;
  std::string chosenFile_;  // the file the save dialog gave, which asked before replacing it
  RunStop stop_;
};

}  // namespace quill::app

#pragma once
// The restore page's logic: a backup file is picked and inspected (opened with its password
// when it is protected, its descriptor shown, the items it holds enabled), then the ticked
// items are restored with progress and a summary, and the mail client started when the user
// chose so in the settings. The inspected file stays open until the next one is picked.

#include <array>
#include <memory>
#include <string>

#include "app/RestorePageView.h"
#include "app/RunProgress.h"
#include "archive/BackupFile.h"
#include "core/Session.h"
#include "platform/Prompter.h"
#include "restore/RestoreEngine.h"

namespace quill::app {

// The question the action button asks before a restore.
inline constexpr const char* kRestoreQuestion =
    "Your current Email and News messages will be replaced with the messages from the selected "
    "backup file.\r\n\r\nDo you want to countinue?";

struct RestorePageRun {
  bool ran = false;  // false when a check stopped the run
  restore::RestoreOutcome outcome;
  std::string summary;
};

class RestorePage {
 public:
  enum class Inspection { Cancelled, WrongPassword, Invalid, Accepted };

  RestorePage(core::Session& session, restore::RestoreEngine& engine, platform::Prompter& prompter,
              RestorePageView& view);

  // The Browse button: the page cleared, a file chosen and inspected.
  Inspection ChooseSource();
  // Inspects a chosen file (everything after the open dialog).
  Inspection Inspect(const std::string& path);
  // The action button's question; true when the user answered OK.
  bool Confirm();
  // Restores the ticked items of the inspected file, after saving what they replace.
  RestorePageRun Run() { return Restore(false); }
  // "Undo Last Restore": after its question, the newest safety backup is inspected and restored
  // whole, and what the undone restore had added is removed.
  RestorePageRun UndoLastRestore();
  // Asks the run under way, from any thread, to stop before its next folder or file.
  void Cancel() { stop_.Request(); }
  // Lets go of the inspected file.
  void Close() { source_.reset(); }

  // The inspected file, while one is accepted.
  const archive::OpenedBackup* source() const { return source_.get(); }
  // The password the prompt gave last; a cancelled prompt leaves it as it was.
  const std::string& lastPassword() const { return lastPassword_; }

 private:
  // undo: the inspected file is a safety backup being put back; no new one is taken.
  RestorePageRun Restore(bool undo);
  void Reset();
  Inspection Reject();
  void Message(const std::string& text, platform::MessageIcon icon);

  core::Session& session_;
  restore::RestoreEngine& engine_;
  platform::Prompter& prompter_;
  RestorePageView& view_;
  std::unique_ptr<archive::OpenedBackup> source_;
  bool invalid_ = false;  // the last inspected file was no backup: it stays so until one is
  std::string lastPassword_;
  RunStop stop_;
};

}  // namespace quill::app

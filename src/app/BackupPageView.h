#pragma once
// The backup page as its logic sees it: the item boxes, the target file box, the password
// boxes and the description, with the progress every run shows.

#include <cstddef>
#include <string>

#include "app/ProgressView.h"

namespace quill::app {

class BackupPageView : public virtual app::ProgressView {
 public:
  // backupitem(index)
  virtual void SetItemEnabled(std::size_t index, bool enabled) = 0;
  virtual bool ItemEnabled(std::size_t index) = 0;
  virtual void SetItemChecked(std::size_t index, bool checked) = 0;
  virtual bool ItemChecked(std::size_t index) = 0;
  // txtTargetFile: what it shows is the file a backup writes, typed or chosen.
  virtual void SetTargetFileText(const std::string& text) = 0;
  virtual std::string TargetFileText() = 0;
  virtual std::string SourceUser() = 0;  // cbSource
  virtual bool ProtectChecked() = 0;     // ifprotect
  virtual std::string Password() = 0;    // txtPassword
  virtual std::string Password2() = 0;   // txtPassword2
  virtual std::string AttachInfo() = 0;  // txtAttachInfo
};

}  // namespace quill::app

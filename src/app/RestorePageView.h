#pragma once
// The restore page as its logic sees it: the item boxes, the source file box, the two
// information boxes and the target user, with the progress every run shows.

#include <cstddef>
#include <string>

#include "app/ProgressView.h"

namespace quill::app {

class RestorePageView : public virtual app::ProgressView {
 public:
  // restoreitem(index)
  virtual void SetItemEnabled(std::size_t index, bool enabled) = 0;
  virtual bool ItemEnabled(std::size_t index) = 0;
  virtual void SetItemChecked(std::size_t index, bool checked) = 0;
  virtual bool ItemChecked(std::size_t index) = 0;
  virtual void SetSourceFileText(const std::string& text) = 0;  // txtSourceFile
  virtual void SetFileInfoText(const std::string& text) = 0;    // txtFileInfo
  virtual void SetBackupInfoText(const std::string& text) = 0;  // txtPOBinfo
  virtual std::string TargetUser() = 0;                         // cbTarget
};

}  // namespace quill::app

#pragma once
// The restore page as its logic sees it: the item boxes, the source file box, the two
// information boxes, the target user, the status labels, the progress bar and panel.

#include <cstddef>
#include <string>

namespace quill::restore {

class RestorePageView {
 public:
  virtual ~RestorePageView() = default;
  // restoreitem(index)
  virtual void SetItemEnabled(std::size_t index, bool enabled) = 0;
  virtual void SetItemChecked(std::size_t index, bool checked) = 0;
  virtual bool ItemChecked(std::size_t index) = 0;
  virtual void SetSourceFileText(const std::string& text) = 0;  // txtSourceFile
  virtual void SetFileInfoText(const std::string& text) = 0;    // txtFileInfo
  virtual void SetBackupInfoText(const std::string& text) = 0;  // txtPOBinfo
  virtual std::string TargetUser() = 0;                         // cbTarget
  virtual void SetStatus(const std::string& text) = 0;          // Label1
  virtual void SetWriteStatus(const std::string& text) = 0;     // SkinLabel11
  virtual void SetFileStatus(const std::string& text) = 0;      // SkinLabel12
  virtual void SetProgress(int value) = 0;                      // pbshow, 0 to 100
  virtual int Progress() = 0;
  virtual void ShowProgressPanel(bool shown) = 0;  // picCon3
  virtual void SetBusy(bool busy) = 0;             // the hourglass pointer
  virtual void Yield() = 0;
};

}  // namespace quill::restore

#pragma once
// The backup page as its logic sees it: the item boxes, the target file box, the password
// boxes, the description, the status labels, the progress bar and panel, the mouse pointer.

#include <cstddef>
#include <string>

namespace quill::backup {

class BackupPageView {
 public:
  virtual ~BackupPageView() = default;
  // backupitem(index)
  virtual void SetItemEnabled(std::size_t index, bool enabled) = 0;
  virtual void SetItemChecked(std::size_t index, bool checked) = 0;
  virtual bool ItemChecked(std::size_t index) = 0;
  virtual void SetTargetFileText(const std::string& text) = 0;  // txtTargetFile
  virtual std::string SourceUser() = 0;                         // cbSource
  virtual bool ProtectChecked() = 0;                            // ifprotect
  virtual std::string Password() = 0;                           // txtPassword
  virtual std::string Password2() = 0;                          // txtPassword2
  virtual std::string AttachInfo() = 0;                         // txtAttachInfo
  virtual void SetStatus(const std::string& text) = 0;          // Label1
  virtual void SetWriteStatus(const std::string& text) = 0;     // SkinLabel11
  virtual void SetFileStatus(const std::string& text) = 0;      // SkinLabel12
  virtual void SetProgress(int value) = 0;                      // pbshow, 0 to 100
  virtual int Progress() = 0;
  virtual void ShowProgressPanel(bool shown) = 0;  // picCon3
  virtual void SetBusy(bool busy) = 0;             // the hourglass pointer
  // Lets the window repaint while the run works.
  virtual void Yield() = 0;
};

}  // namespace quill::backup

#pragma once
// What both the backup and the restore page show while a run works: the status labels,
// the progress bar and its panel, the mouse pointer.

#include <string>

namespace quill::app {

class ProgressView {
 public:
  virtual ~ProgressView() = default;
  virtual void SetStatus(const std::string& text) = 0;       // Label1
  virtual void SetWriteStatus(const std::string& text) = 0;  // SkinLabel11
  virtual void SetFileStatus(const std::string& text) = 0;   // SkinLabel12
  virtual void SetProgress(int value) = 0;                   // pbshow, 0 to 100
  virtual int Progress() = 0;
  virtual void ShowProgressPanel(bool shown) = 0;  // picCon3
  virtual void SetBusy(bool busy) = 0;             // the hourglass pointer
};

// A progress view that shows nothing, for runs without a window.
class QuietProgress : public virtual ProgressView {
 public:
  void SetStatus(const std::string&) override {}
  void SetWriteStatus(const std::string&) override {}
  void SetFileStatus(const std::string&) override {}
  void SetProgress(int value) override { progress_ = value; }
  int Progress() override { return progress_; }
  void ShowProgressPanel(bool) override {}
  void SetBusy(bool) override {}

 private:
  int progress_ = 0;
};

}  // namespace quill::app

#pragma once
// A progress view that remembers everything a run showed.

#include <string>
#include <vector>

#include "app/ProgressView.h"

namespace quill::test {

class RecordingProgress : public virtual app::ProgressView {
 public:
  std::vector<std::string> statuses, fileStatuses, writeStatuses;
  std::vector<int> progressSeen;
  int progress = 0;
  bool panel = false, busy = false;

  void SetStatus(const std::string& text) override { statuses.push_back(text); }
  void SetWriteStatus(const std::string& text) override { writeStatuses.push_back(text); }
  void SetFileStatus(const std::string& text) override { fileStatuses.push_back(text); }
  void SetProgress(int value) override { progressSeen.push_back(progress = value); }
  int Progress() override { return progress; }
  void ShowProgressPanel(bool shown) override { panel = shown; }
  void SetBusy(bool on) override { busy = on; }
};

}  // namespace quill::test

#pragma once
// The scratch files of one backup run: the registry export files. They are removed when the run
// ends, whichever way it ends. A run folder an interrupted run of an earlier version left beside
// the target (where it built inner archives) goes when the next run starts there. Nothing the
// run did not make is removed.

#include <string>
#include <vector>

namespace quill::backup {

class ScratchSpace {
 public:
  // target: the backup file.
  explicit ScratchSpace(const std::string& target);
  ~ScratchSpace();
  ScratchSpace(const ScratchSpace&) = delete;
  ScratchSpace& operator=(const ScratchSpace&) = delete;

  void KeepExportFile(const std::string& path) { exportFiles_.push_back(path); }
  void RemoveAll();

 private:
  std::vector<std::string> exportFiles_;
};

}  // namespace quill::backup

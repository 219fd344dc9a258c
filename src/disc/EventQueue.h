#pragma once
// Events raised by work on a background thread wait here until the window's thread picks
// them up (Poll), so listeners always hear them on their own thread.

#include <functional>
#include <mutex>
#include <vector>

#include "disc/DiscEngine.h"

namespace quill::disc {

class EventQueue : public DiscEvents {
 public:
  // Hands every waiting event to the listener, in the order raised.
  void DeliverTo(DiscEvents& listener);

  void WriteStatus(int progress, int status) override;
  void WriteError(const EngineError& error) override;
  // The background write never waits for the answer: it always goes on.
  void FileWarning(const FileError& error, bool& continueWrite) override;
  void VerifyStarted(int fileCount) override;
  void VerifyFile(const ImageItem& item, int result, int done, int total) override;
  void VerifyDone(int total, int matched) override;
  void EraseStatus(int status, int progress) override;
  void DeviceFault(const DeviceError& error) override;

 private:
  void Post(std::function<void(DiscEvents&)> event);

  std::mutex mutex_;
  std::vector<std::function<void(DiscEvents&)>> events_;
};

}  // namespace quill::disc

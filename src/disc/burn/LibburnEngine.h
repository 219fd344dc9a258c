#pragma once
// The disc engine over libburn (drives, media, writing, erasing) and libisofs (the image).
// libburn writes and erases on threads of its own; a job thread of this engine watches
// them, verifies what was written, and queues the events that Poll hands to the listeners
// on the window's thread.

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "disc/DiscEngine.h"
#include "disc/DiscJob.h"
#include "disc/EventHub.h"
#include "disc/EventQueue.h"
#include "disc/ImageModel.h"
#include "disc/burn/LibburnDevice.h"

namespace quill::disc {

class LibburnEngine : public DiscEngine {
 public:
  LibburnEngine();
  ~LibburnEngine() override;
  LibburnEngine(const LibburnEngine&) = delete;
  LibburnEngine& operator=(const LibburnEngine&) = delete;

  void AddListener(DiscEvents& listener) override { hub_.Add(listener); }
  void RemoveListener(DiscEvents& listener) override { hub_.Remove(listener); }

  // Finds the real drives (unless QUILLSTOW_DISC_SCAN is "0") and adds the pseudo-drives
  // QUILLSTOW_DISC_DRIVES lists.
  bool InitDevices(bool flag) override;
  int DeviceCount() const override { return static_cast<int>(devices_.size()); }
  DiscDevice* GetDevice(int index) override;
  DiscImage& Image() override { return image_; }

  int BlockSize() const override { return 2048; }
  double ImageSize() override;
  bool StartWrite(DiscDevice& device, const WriteOptions& options) override;
  void Abort() override { job_.Abort(); }
  void Poll() override;
  bool Busy() const override { return job_.busy(); }

  // Runs Poll until the running job has ended; for programs without a window.
  void WaitUntilIdle();

 private:
  bool StartErase(LibburnDevice& device, bool quick);

  EventHub hub_;
  ImageModel image_{hub_};
  std::vector<std::unique_ptr<LibburnDevice>> devices_;
  EventQueue queue_;
  DiscJob job_;
};

}  // namespace quill::disc

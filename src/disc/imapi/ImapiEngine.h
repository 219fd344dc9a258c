#pragma once
// The disc engine over Windows' disc-writing service (IMAPI2), reached through a
// DiscService. Writes and erases run on a job thread of this engine, which queues the events
// that Poll hands to the listeners on the window's thread.

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "disc/DiscEngine.h"
#include "disc/DiscJob.h"
#include "disc/EventHub.h"
#include "disc/EventQueue.h"
#include "disc/ImageModel.h"
#include "disc/imapi/DiscService.h"
#include "disc/imapi/ImapiDevice.h"

namespace quill::disc {

class ImapiEngine : public DiscEngine {
 public:
  explicit ImapiEngine(std::unique_ptr<DiscService> service);
  ~ImapiEngine() override;
  ImapiEngine(const ImapiEngine&) = delete;
  ImapiEngine& operator=(const ImapiEngine&) = delete;

  void AddListener(DiscEvents& listener) override { hub_.Add(listener); }
  void RemoveListener(DiscEvents& listener) override { hub_.Remove(listener); }

  // Reaches the service and finds its drives; false when the service is not there.
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
  bool WritesUdf() const override { return true; }

  // Why the service could not be reached, after InitDevices failed.
  const ServiceFailure& startFailure() const { return startFailure_; }
  // Runs Poll until the running job has ended; for programs without a window.
  void WaitUntilIdle();

 private:
  bool StartErase(ImapiDevice& device, bool quick);

  std::unique_ptr<DiscService> service_;
  ServiceFailure startFailure_;
  EventHub hub_;
  ImageModel image_{hub_};
  std::vector<std::unique_ptr<ImapiDevice>> devices_;
  EventQueue queue_;
  DiscJob job_;
  double imageSize_ = 0;  // the last size computed; it stands while a job runs
};

}  // namespace quill::disc

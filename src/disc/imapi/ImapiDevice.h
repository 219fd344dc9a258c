#pragma once
// One drive of Windows' disc-writing service. What the drive can do is read once, when the
// drives are found; what is in it when the window asks, and never while the engine writes or
// erases on it (the service answers one call at a time), when the last answer stands.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "disc/DiscEngine.h"
#include "disc/imapi/DiscService.h"

namespace quill::disc {

class ImapiDevice : public DiscDevice {
 public:
  // busy: whether the engine is writing or erasing now.
  ImapiDevice(DiscService& service, ServiceRecorder recorder, std::function<bool()> busy);

  const std::string& id() const { return recorder_.id; }
  // The medium as the service last reported it.
  const ServiceMedia& media() const { return media_; }

  std::string Name() const override { return recorder_.name; }
  bool CanWrite() const override;
  bool HasCapability(int code) override;
  int SpeedCount() override;
  int SpeedAt(int index) override;
  double SpeedFactor(int speed) override;
  void RefreshMedia(bool full) override;
  MediaInfo Media() override;
  std::int64_t FreeBlocks(bool refresh) override;
  int EraseValue() override { return 0; }
  // The erase itself is started by the engine, which runs it.
  bool Erase(bool quick, int value) override;
  bool Eject() override;
  bool CloseTray() override;

  // Set by the engine: starts an erase on this device and reports whether it started.
  std::function<bool(ImapiDevice&, bool quick)> startErase;

 private:
  std::vector<int> Speeds() const;

  DiscService& service_;
  ServiceRecorder recorder_;
  std::function<bool()> busy_;
  ServiceMedia media_;
};

}  // namespace quill::disc

#pragma once
// An in-memory disc engine for the window tests: drives with whatever media, speeds and
// capabilities a test sets, a write that only records its settings, and events the test
// raises. The image is the real image model, over real files.

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "disc/DiscEngine.h"
#include "disc/EventHub.h"
#include "disc/ImageModel.h"

namespace quill::test {

class FakeDiscDevice : public disc::DiscDevice {
 public:
  std::string name = "FAKE DVD-RW";
  bool canWrite = true;
  std::set<int> capabilities;
  std::vector<int> speeds;
  double speed1x = 1385;
  disc::MediaInfo media{11, true, false};
  std::int64_t freeBlocks = 2295104;
  bool eraseStarts = true;
  // What the windows asked.
  std::vector<int> capabilityQueries;
  std::vector<bool> refreshes;
  std::vector<std::pair<bool, int>> erases;
  int ejects = 0;
  int trayCloses = 0;

  std::string Name() const override { return name; }
  bool CanWrite() const override { return canWrite; }
  bool HasCapability(int code) override {
    capabilityQueries.push_back(code);
    return capabilities.count(code) > 0;
  }
  int SpeedCount() override { return static_cast<int>(speeds.size()); }
  int SpeedAt(int index) override { return speeds.at(static_cast<std::size_t>(index)); }
  double SpeedFactor(int speed) override { return speed / speed1x; }
  void RefreshMedia(bool full) override { refreshes.push_back(full); }
  disc::MediaInfo Media() override { return media; }
  std::int64_t FreeBlocks(bool) override { return freeBlocks; }
  int EraseValue() override { return 7; }
  bool Erase(bool quick, int value) override {
    erases.emplace_back(quick, value);
    return eraseStarts;
  }
  bool Eject() override { return ++ejects, true; }
  bool CloseTray() override { return ++trayCloses, true; }
};

class FakeDiscEngine : public disc::DiscEngine {
 public:
  // A write started: its options and the device's name.
  struct Write {
    disc::WriteOptions options;
    std::string device;
  };

  bool initSucceeds = true;
  bool writeStarts = true;
  std::optional<double> imageSize;  // else the sum of the files
  std::vector<std::unique_ptr<FakeDiscDevice>> devices;
  std::vector<Write> writes;
  int aborts = 0;
  bool busy = false;  // a write or an erase runs

  FakeDiscDevice& AddDevice(const std::string& name) {
    devices.push_back(std::make_unique<FakeDiscDevice>());
    devices.back()->name = name;
    return *devices.back();
  }
  disc::DiscEvents& events() { return hub_; }
  disc::ImageModel& model() { return image_; }

  void AddListener(disc::DiscEvents& listener) override { hub_.Add(listener); }
  void RemoveListener(disc::DiscEvents& listener) override { hub_.Remove(listener); }
  bool InitDevices(bool) override { return initSucceeds; }
  int DeviceCount() const override { return static_cast<int>(devices.size()); }
  disc::DiscDevice* GetDevice(int index) override {
    return index >= 0 && index < DeviceCount() ? devices[static_cast<std::size_t>(index)].get()
                                               : nullptr;
  }
  disc::DiscImage& Image() override { return image_; }
  int BlockSize() const override { return 2048; }
  double ImageSize() override { return imageSize.value_or(image_.FileBytes()); }
  bool StartWrite(disc::DiscDevice& device, const disc::WriteOptions& options) override {
    SetVolume(options.volume);
    writes.push_back({options, device.Name()});
    busy = writeStarts;
    return writeStarts;
  }
  void Abort() override { ++aborts; }
  void Poll() override {}
  bool Busy() const override { return busy; }

 private:
  disc::EventHub hub_;
  disc::ImageModel image_{hub_};
};

}  // namespace quill::test

#pragma once
// One drive libburn holds: a real optical drive, or a stdio: pseudo-drive over a file.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "disc/DiscEngine.h"

namespace burn {
struct burn_drive;
struct burn_drive_info;
}  // namespace burn

namespace quill::disc {

class LibburnDevice : public DiscDevice {
 public:
  // Grabs the drive at a libburn address ("/dev/sr0", "stdio:/tmp/disc.iso"); check
  // Grabbed().
  LibburnDevice(const std::string& address, std::string name, std::optional<std::int64_t> capacity);
  ~LibburnDevice() override;
  LibburnDevice(const LibburnDevice&) = delete;
  LibburnDevice& operator=(const LibburnDevice&) = delete;

  bool Grabbed() const { return drive_ != nullptr; }
  burn::burn_drive* drive() const { return drive_; }
  int Profile();

  std::string Name() const override { return name_; }
  bool CanWrite() const override;
  bool HasCapability(int code) override;
  int SpeedCount() override;
  int SpeedAt(int index) override;
  double SpeedFactor(int speed) override;
  void RefreshMedia(bool full) override;
  MediaInfo Media() override;
  std::int64_t FreeBlocks(bool refresh) override;
  int EraseValue() override { return 0; }
  // The erase itself is started by the engine, which watches it.
  bool Erase(bool quick, int value) override;
  bool Eject() override;
  bool CloseTray() override;

  // Set by the engine: starts an erase on this device and reports whether it started.
  std::function<bool(LibburnDevice&, bool quick)> startErase;

 private:
  bool Grab(const std::string& address, bool load);
  std::vector<int> Speeds();

  std::string address_;
  std::string name_;
  std::optional<std::int64_t> capacity_;
  burn::burn_drive_info* info_ = nullptr;
  burn::burn_drive* drive_ = nullptr;
};

}  // namespace quill::disc

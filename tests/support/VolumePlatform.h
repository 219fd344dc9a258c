#pragma once
// A platform that is another one but for the volume a backup goes to, which is what a test
// says it is: a full disk or a FAT32 stick without one at hand.

#include <optional>

#include "platform/Platform.h"

namespace quill::test {

class VolumePlatform : public platform::Platform, public platform::Files {
 public:
  VolumePlatform(platform::Platform& host, std::optional<platform::VolumeSpace> volume)
      : host_(host), volume_(std::move(volume)) {}

  platform::Registry& registry() override { return host_.registry(); }
  platform::ProfileStrings& profileStrings() override { return host_.profileStrings(); }
  platform::Files& files() override { return *this; }
  platform::Processes& processes() override { return host_.processes(); }
  platform::SystemInfo& system() override { return host_.system(); }

  std::optional<std::string> TempFileName(const std::string& folder,
                                          const std::string& prefix) override {
    return host_.files().TempFileName(folder, prefix);
  }
  std::optional<std::uint32_t> GetAttributes(const std::string& path) override {
    return host_.files().GetAttributes(path);
  }
  bool SetAttributes(const std::string& path, std::uint32_t attributes) override {
    return host_.files().SetAttributes(path, attributes);
  }
  std::optional<platform::VolumeSpace> Volume(const std::string&) override { return volume_; }

 private:
  platform::Platform& host_;
  std::optional<platform::VolumeSpace> volume_;
};

}  // namespace quill::test

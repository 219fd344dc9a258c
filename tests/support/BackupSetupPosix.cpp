// The sample profile in a temporary Wine prefix, and the Wine platform over it.

#include "SampleProfile.h"
#include "platform/posix/PosixPlatform.h"
#include "support/BackupSetup.h"

namespace quill::test {

void BackupSetup::MakeProfile(std::uint64_t messageBytes, std::uint64_t seed) {
  sample::WriteSampleProfile({prefix(), messageBytes, seed, user_});
}

void BackupSetup::MakePlatform() {
  platform = std::make_unique<platform::posix::PosixPlatform>(
      platform::posix::WinePrefix(prefix(), dir_.path() / "server"), app().string(), "/proc",
      [this](const std::vector<std::string>& argv) {
        started.push_back(argv);
        return launches;
      });
}

}  // namespace quill::test

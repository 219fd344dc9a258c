#include "core/Session.h"

namespace quill::core {

Session::Session(platform::Platform& platform, Clock clock)
    : platform_(platform),
      clock_(std::move(clock)),
      keys_(platform.registry()),
      services_(platform, keys_),
      settings_(platform),
      found_(ProfileDiscovery(platform, keys_, services_).Discover()) {}

std::string Session::TimeStamp() {
  return platform_.system().GeneralDate(clock_());
}

}  // namespace quill::core

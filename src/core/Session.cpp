#include "core/Session.h"

#include "core/StagingArea.h"

namespace quill::core {

Session::Session(platform::Platform& platform, Clock clock)
    : platform_(platform),
      clock_(std::move(clock)),
      keys_(platform.registry()),
      services_(platform, keys_),
      settings_(platform),
      found_(ProfileDiscovery(platform, keys_, services_).Discover()) {
  // What an interrupted restore left beside the profile is put right before anything else.
  if (found_.mailFound) RecoverInterruptedRuns(found_.profile);
}

std::string Session::TimeStamp() {
  return platform_.system().GeneralDate(clock_());
}

}  // namespace quill::core

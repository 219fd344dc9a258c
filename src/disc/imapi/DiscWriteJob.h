#pragma once
// One write through the disc-writing service, run on the engine's job thread: the service's
// steps reported as the write status codes, then the verify when asked, then the end of the
// write (Completed, Cancelled or Error with its error first).

#include <atomic>
#include <string>
#include <vector>

#include "disc/DiscEngine.h"
#include "disc/imapi/DiscService.h"

namespace quill::disc {

struct DiscWriteJob {
  std::string recorder;
  std::string deviceName;
  ServiceWrite write;
  bool verify = false;           // read every file back afterwards
  std::vector<ImageItem> files;  // the image's files, for the verify

  void Run(DiscService& service, DiscEvents& events, const std::atomic<bool>& abort) const;
};

// The write status code of a step of the service's data writer; -1 for a step that has none.
// Closing the medium writes its lead-out; else the track is closed and the disc stays open.
int WriteStatusOf(WriteAction action, bool closeMedium);

}  // namespace quill::disc

#pragma once
// The verify after a write: every file of the image read back from the disc through the
// disc-writing service and compared with its source, first the size, then byte for byte.

#include <atomic>
#include <string>
#include <vector>

#include "disc/DiscEngine.h"
#include "disc/imapi/DiscService.h"

namespace quill::disc {

// Raises VerifyStarted, a VerifyFile for each file and VerifyDone; returns how many files
// matched. Files left when abort is set are reported as skipped.
int ReadBackFiles(DiscService& service, const std::string& recorder,
                  const std::vector<ImageItem>& files, DiscEvents& events,
                  const std::atomic<bool>& abort);

}  // namespace quill::disc

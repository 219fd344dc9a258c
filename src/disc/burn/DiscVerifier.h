#pragma once
// Reads a written disc back through its drive and compares every file of the image with its
// source: first the size, then the content, byte for byte.

#include <atomic>
#include <vector>

#include "disc/DiscEngine.h"

namespace burn {
struct burn_drive;
}

namespace quill::disc {

// Raises VerifyStarted, a VerifyFile for each file and VerifyDone; returns how many files
// matched.
int VerifyDisc(burn::burn_drive* drive, const std::vector<ImageItem>& files, DiscEvents& events,
               const std::atomic<bool>& abort);

}  // namespace quill::disc

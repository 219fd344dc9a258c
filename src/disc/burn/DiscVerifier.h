#pragma once
// Reads a written disc back through its drive and compares every file of the image with its
// source: first the size, then the content, byte for byte.

#include <atomic>
#include <functional>
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

// The end of a write that went well: the verify when Auto-Verify asks for one and the disc
// holds something to compare (a test write puts nothing on it), then Completed; Cancelled
// when the user stopped the verify.
void FinishWrite(const WriteOptions& options, const std::function<void()>& verify,
                 DiscEvents& events, const std::atomic<bool>& abort);

}  // namespace quill::disc

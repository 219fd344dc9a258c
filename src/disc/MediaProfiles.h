#pragma once
// The MMC media profiles that drives report (through libburn, or through Windows' disc-writing
// service) as the windows see them: the medium type code, whether it can be rewritten, the
// device capability that erases it, and its 1x speed.

namespace quill::disc {

struct MediaProfile {
  int profile;    // the MMC profile number the drive reports
  int mediaType;  // a MediaTypeCode
  bool writable;  // a medium of this kind can take a write at all
  bool rewritable;
  int eraseCapability;  // the CapabilityCode that erases it; 0: none
  double speed1x;       // kB/s at 1x
};

// The profile entry; for an unknown profile one with medium type 0 and nothing possible.
const MediaProfile& ProfileOf(int profile);

}  // namespace quill::disc

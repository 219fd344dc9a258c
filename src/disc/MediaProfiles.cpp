#include "disc/MediaProfiles.h"

#include <array>

#include "disc/DiscEngine.h"

namespace quill::disc {

namespace {

constexpr double kCd1x = 176.4;
constexpr double kDvd1x = 1385;
constexpr double kBd1x = 4496;

// The one table of the mapping.
constexpr std::array<MediaProfile, 19> kProfiles{{
    {0x08, kMediaCdRom, false, false, 0, kCd1x},
    {0x09, kMediaCdR, true, false, 0, kCd1x},
    {0x0a, kMediaCdRw, true, true, kCapabilityEraseCdRw, kCd1x},
    {0x10, kMediaDvdRom, false, false, 0, kDvd1x},
    {0x11, kMediaDvdR, true, false, 0, kDvd1x},  // sequential
    // Written in place, never erased.
    {0x12, kMediaDvdRam, true, true, 0, kDvd1x},
    {0x13, kMediaDvdRwRestricted, true, true, kCapabilityEraseDvdRwRestricted, kDvd1x},
    {0x14, kMediaDvdRwSequential, true, true, kCapabilityEraseDvdRwSequential, kDvd1x},
    {0x15, kMediaDvdRDualLayer, true, false, 0, kDvd1x},  // sequential
    {0x16, kMediaDvdRDualLayer, true, false, 0, kDvd1x},  // jump
    {0x1a, kMediaDvdPlusRw, true, true, kCapabilityEraseDvdPlusRw, kDvd1x},
    {0x1b, kMediaDvdPlusR, true, false, 0, kDvd1x},
    {0x2b, kMediaDvdPlusRDualLayer, true, false, 0, kDvd1x},
    {0x40, kMediaBdRom, false, false, 0, kBd1x},
    {0x41, kMediaBdR, true, false, 0, kBd1x},  // sequential
    {0x42, kMediaBdR, true, false, 0, kBd1x},  // random
    {0x43, kMediaBdRe, true, true, kCapabilityEraseBdRe, kBd1x},
    {0xffff, kMediaFile, true, false, 0, kDvd1x},  // a file or device written through stdio:
    {0x00, kMediaNone, false, false, 0, kCd1x},
}};

}  // namespace

const MediaProfile& ProfileOf(int profile) {
  for (const auto& entry : kProfiles)
    if (entry.profile == profile) return entry;
  return kProfiles.back();
}

}  // namespace quill::disc

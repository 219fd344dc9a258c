#include "disc/burn/MediaProfiles.h"

#include <array>

namespace quill::disc {

namespace {

constexpr double kCd1x = 176.4;
constexpr double kDvd1x = 1385;
constexpr double kBd1x = 4496;

// The one table of the mapping. The erase pairs of the erase dialog (capability, medium
// type) are (17, 9), (19, 4), (22, 2), (23, 5) and (27, 15).
constexpr std::array<MediaProfile, 19> kProfiles{{
    {0x08, 1, false, false, 0, kCd1x},     // CD-ROM
    {0x09, 3, true, false, 0, kCd1x},      // CD-R
    {0x0a, 4, true, true, 19, kCd1x},      // CD-RW
    {0x10, 6, false, false, 0, kDvd1x},    // DVD-ROM
    {0x11, 7, true, false, 0, kDvd1x},     // DVD-R sequential
    {0x12, 8, true, true, 0, kDvd1x},      // DVD-RAM: written in place, never erased
    {0x13, 9, true, true, 17, kDvd1x},     // DVD-RW restricted overwrite
    {0x14, 2, true, true, 22, kDvd1x},     // DVD-RW sequential
    {0x15, 10, true, false, 0, kDvd1x},    // DVD-R DL sequential
    {0x16, 10, true, false, 0, kDvd1x},    // DVD-R DL jump
    {0x1a, 5, true, true, 23, kDvd1x},     // DVD+RW
    {0x1b, 11, true, false, 0, kDvd1x},    // DVD+R
    {0x2b, 12, true, false, 0, kDvd1x},    // DVD+R DL
    {0x40, 13, false, false, 0, kBd1x},    // BD-ROM
    {0x41, 14, true, false, 0, kBd1x},     // BD-R sequential
    {0x42, 14, true, false, 0, kBd1x},     // BD-R random
    {0x43, 15, true, true, 27, kBd1x},     // BD-RE
    {0xffff, 16, true, false, 0, kDvd1x},  // a file or device written through stdio:
    {0x00, 0, false, false, 0, kCd1x},     // no medium
}};

}  // namespace

const MediaProfile& ProfileOf(int profile) {
  for (const auto& entry : kProfiles)
    if (entry.profile == profile) return entry;
  return kProfiles.back();
}

}  // namespace quill::disc

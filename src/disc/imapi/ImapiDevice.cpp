#include "disc/imapi/ImapiDevice.h"

#include <algorithm>

#include "disc/MediaProfiles.h"

namespace quill::disc {

namespace {

// The service gives speeds in 2048-byte sectors a second; 1x is 75 of them on a CD and the
// medium's 1x rate in kB/s over 2.048 on DVD and Blu-ray.
double OneTimesSectors(const MediaProfile& profile) {
  switch (profile.mediaType) {
    case kMediaNone:
    case kMediaCdRom:
    case kMediaCdR:
    case kMediaCdRw:
      return 75;
    default:
      return profile.speed1x * 1000 / 2048;
  }
}

}  // namespace

ImapiDevice::ImapiDevice(DiscService& service, ServiceRecorder recorder, std::function<bool()> busy)
    : service_(service), recorder_(std::move(recorder)), busy_(std::move(busy)) {}

bool ImapiDevice::CanWrite() const {
  return std::any_of(recorder_.profiles.begin(), recorder_.profiles.end(),
                     [](int p) { return ProfileOf(p).writable; });
}

bool ImapiDevice::HasCapability(int code) {
  // The service's data writer keeps the drive's buffer-underrun protection on or off on
  // request, on every drive it writes with.
  if (code == kCapabilityBufferProtection) return CanWrite();
  return std::any_of(recorder_.profiles.begin(), recorder_.profiles.end(),
                     [code](int p) { return ProfileOf(p).eraseCapability == code; });
}

std::vector<int> ImapiDevice::Speeds() const {
  std::vector<int> speeds;
  for (int speed : media_.writeSpeeds)
    if (speed > 0) speeds.push_back(speed);
  std::sort(speeds.rbegin(), speeds.rend());
  speeds.erase(std::unique(speeds.begin(), speeds.end()), speeds.end());
  return speeds;
}

int ImapiDevice::SpeedCount() {
  return static_cast<int>(Speeds().size());
}

int ImapiDevice::SpeedAt(int index) {
  const auto speeds = Speeds();
  return index >= 0 && index < static_cast<int>(speeds.size())
             ? speeds[static_cast<std::size_t>(index)]
             : 0;
}

double ImapiDevice::SpeedFactor(int speed) {
  return speed / OneTimesSectors(ProfileOf(media_.profile));
}

void ImapiDevice::RefreshMedia(bool /*full*/) {
  // The service reads the drive afresh on every call: there is no cheaper look.
  if (!busy_()) media_ = service_.Media(recorder_.id);
}

MediaInfo ImapiDevice::Media() {
  MediaInfo media;
  if (media_.profile == 0) return media;
  const MediaProfile& profile = ProfileOf(media_.profile);
  media.MediaType = profile.mediaType;
  media.Rewritable = profile.rewritable;
  media.Writable = profile.writable && media_.appendable;
  return media;
}

std::int64_t ImapiDevice::FreeBlocks(bool refresh) {
  if (refresh) RefreshMedia(true);
  return media_.profile == 0 ? 0 : std::max<std::int64_t>(media_.freeSectors, 0);
}

bool ImapiDevice::Erase(bool quick, int /*value*/) {
  return startErase && startErase(*this, quick);
}

bool ImapiDevice::Eject() {
  return !busy_() && service_.Eject(recorder_.id);
}

bool ImapiDevice::CloseTray() {
  return !busy_() && service_.CloseTray(recorder_.id);
}

}  // namespace quill::disc

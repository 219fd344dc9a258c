#include "disc/burn/LibburnDevice.h"

#include <algorithm>

#include <libburn/libburn.h>

#include "disc/MediaProfiles.h"

using namespace burn;

namespace quill::disc {

namespace {

constexpr int kBlockSize = 2048;
// libburn's drive roles: 1 a real drive, 2 a random-access file, 3 a write-only stream.
constexpr int kRoleRealDrive = 1;
constexpr int kRoleReadOnly = 4;

}  // namespace

LibburnDevice::LibburnDevice(const std::string& address, std::string name,
                             std::optional<std::int64_t> capacity)
    : address_(address), name_(std::move(name)), capacity_(capacity) {
  Grab(address, true);
}

LibburnDevice::~LibburnDevice() {
  if (drive_ != nullptr) burn_drive_release(drive_, 0);
  if (info_ != nullptr) burn_drive_info_free(info_);
}

bool LibburnDevice::Grab(const std::string& address, bool load) {
  std::vector<char> text(address.begin(), address.end());
  text.push_back('\0');
  if (burn_drive_scan_and_grab(&info_, text.data(), load ? 1 : 0) <= 0 || info_ == nullptr)
    return drive_ = nullptr, false;
  drive_ = info_[0].drive;
  return true;
}

int LibburnDevice::Profile() {
  int profile = 0;
  char profileName[80] = {};
  if (drive_ == nullptr || burn_disc_get_profile(drive_, &profile, profileName) <= 0) return 0;
  return profile;
}

bool LibburnDevice::CanWrite() const {
  if (drive_ == nullptr) return false;
  const int role = burn_drive_get_drive_role(drive_);
  if (role != kRoleRealDrive) return role != 0 && role != kRoleReadOnly;
  const burn_drive_info& info = info_[0];
  if (info.write_cdr || info.write_cdrw || info.write_dvdr || info.write_dvdram) return true;
  int count = 0;
  int profiles[64];
  char current[64];
  burn_drive_get_all_profiles(drive_, &count, profiles, current);
  return std::any_of(profiles, profiles + count, [](int p) { return ProfileOf(p).writable; });
}

bool LibburnDevice::HasCapability(int code) {
  if (drive_ == nullptr) return false;
  if (code == kCapabilityBufferProtection) {
    burn_write_opts* opts = burn_write_opts_new(drive_);
    const bool proof = burn_write_opts_set_underrun_proof(opts, 1) == 1;
    burn_write_opts_free(opts);
    return proof;
  }
  int count = 0;
  int profiles[64];
  char current[64];
  burn_drive_get_all_profiles(drive_, &count, profiles, current);
  return std::any_of(profiles, profiles + count,
                     [code](int p) { return ProfileOf(p).eraseCapability == code; });
}

std::vector<int> LibburnDevice::Speeds() {
  std::vector<int> speeds;
  burn_speed_descriptor* list = nullptr;
  if (drive_ == nullptr || burn_drive_get_speedlist(drive_, &list) <= 0) return speeds;
  for (burn_speed_descriptor* entry = list; entry != nullptr; entry = entry->next)
    if (entry->write_speed > 0) speeds.push_back(entry->write_speed);
  burn_drive_free_speedlist(&list);
  std::sort(speeds.rbegin(), speeds.rend());
  speeds.erase(std::unique(speeds.begin(), speeds.end()), speeds.end());
  return speeds;
}

int LibburnDevice::SpeedCount() {
  return static_cast<int>(Speeds().size());
}

int LibburnDevice::SpeedAt(int index) {
  const auto speeds = Speeds();
  return index >= 0 && index < static_cast<int>(speeds.size())
             ? speeds[static_cast<std::size_t>(index)]
             : 0;
}

double LibburnDevice::SpeedFactor(int speed) {
  return speed / ProfileOf(Profile()).speed1x;
}

void LibburnDevice::RefreshMedia(bool full) {
  if (full && drive_ != nullptr && burn_drive_get_drive_role(drive_) == kRoleRealDrive)
    burn_drive_re_assess(drive_, 0);
}

MediaInfo LibburnDevice::Media() {
  MediaInfo media;
  if (drive_ == nullptr) return media;
  const burn_disc_status status = burn_disc_get_status(drive_);
  if (status == BURN_DISC_EMPTY || status == BURN_DISC_UNREADY) return media;
  const MediaProfile& profile = ProfileOf(Profile());
  media.MediaType = profile.mediaType;
  media.Rewritable = profile.rewritable;
  media.Writable =
      profile.writable && (status == BURN_DISC_BLANK || status == BURN_DISC_APPENDABLE);
  return media;
}

std::int64_t LibburnDevice::FreeBlocks(bool /*refresh*/) {
  if (drive_ == nullptr) return 0;
  burn_write_opts* opts = burn_write_opts_new(drive_);
  std::int64_t bytes = burn_disc_available_space(drive_, opts);
  burn_write_opts_free(opts);
  if (capacity_) bytes = std::min(bytes, *capacity_);
  return std::max<std::int64_t>(bytes, 0) / kBlockSize;
}

bool LibburnDevice::Erase(bool quick, int /*value*/) {
  return drive_ != nullptr && startErase && startErase(*this, quick);
}

bool LibburnDevice::Eject() {
  if (drive_ == nullptr) return false;
  if (burn_drive_get_drive_role(drive_) != kRoleRealDrive) return true;
  burn_drive_release(drive_, 1);
  burn_drive_info_free(info_);
  info_ = nullptr;
  drive_ = nullptr;
  // Held again without loading, so the tray stays open until Close Tray.
  return Grab(address_, false);
}

bool LibburnDevice::CloseTray() {
  if (drive_ == nullptr) return Grab(address_, true);
  if (burn_drive_get_drive_role(drive_) != kRoleRealDrive) return true;
  burn_drive_release(drive_, 0);
  burn_drive_info_free(info_);
  info_ = nullptr;
  drive_ = nullptr;
  return Grab(address_, true);
}

}  // namespace quill::disc

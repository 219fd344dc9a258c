#include "faults/FaultTools.h"

#include <linux/capability.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <random>
#include <thread>

namespace quill::test {
namespace fs = std::filesystem;

Micros TimeOf(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration_cast<Micros>(std::chrono::steady_clock::now() - start);
}

std::vector<Micros> KillPoints(std::uint32_t seed, int count, Micros total) {
  // The last fifth is left out: a run may go faster than the one that was timed.
  std::mt19937 random(seed);
  std::uniform_int_distribution<std::int64_t> moment(
      1, std::max<std::int64_t>(total.count() * 4 / 5, 2));
  std::vector<Micros> points;
  for (int i = 0; i < count; ++i) points.emplace_back(moment(random));
  std::sort(points.begin(), points.end());
  return points;
}

bool KillAfter(Micros delay, const std::function<void()>& work) {
  // A run can go faster than the one that was timed: one that ends before its kill is run
  // again with half the delay, a few times, so that the kill lands somewhere in the run.
  for (int attempt = 0; attempt < 4; ++attempt, delay /= 2) {
    const pid_t child = fork();
    if (child == 0) {
      work();
      _exit(0);
    }
    std::this_thread::sleep_for(delay);
    const bool running = waitpid(child, nullptr, WNOHANG) == 0;
    if (running) {
      kill(child, SIGKILL);
      waitpid(child, nullptr, 0);
      return true;
    }
    waitpid(child, nullptr, 0);
  }
  return false;
}

std::string PrivateMounts() {
  static const std::string why = []() -> std::string {
    if (unshare(CLONE_NEWNS) != 0) return std::string("unshare: ") + std::strerror(errno);
    if (mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
      return std::string("private mounts: ") + std::strerror(errno);
    return std::string();
  }();
  return why;
}

namespace {

void CopyContent(const fs::path& from, const fs::path& to) {
  for (const auto& item : fs::directory_iterator(from))
    fs::copy(item.path(), to / item.path().filename(),
             fs::copy_options::recursive | fs::copy_options::copy_symlinks);
}

std::string SizeOption(std::uint64_t bytes) {
  return "size=" + std::to_string(bytes);
}

}  // namespace

SmallDisk::SmallDisk(fs::path folder, std::uint64_t bytes) : folder_(std::move(folder)) {
  why_ = PrivateMounts();
  if (!why_.empty()) return;
  fs::create_directories(folder_);
  const fs::path keep = folder_.string() + ".content";
  fs::create_directories(keep);
  CopyContent(folder_, keep);
  if (mount("tmpfs", folder_.c_str(), "tmpfs", 0, SizeOption(bytes).c_str()) != 0) {
    why_ = std::string("mount tmpfs: ") + std::strerror(errno);
    fs::remove_all(keep);
    return;
  }
  mounted_ = true;
  CopyContent(keep, folder_);
  fs::remove_all(keep);
}

bool SmallDisk::Resize(std::uint64_t bytes) {
  return mounted_ &&
         mount("tmpfs", folder_.c_str(), "tmpfs", MS_REMOUNT, SizeOption(bytes).c_str()) == 0;
}

SmallDisk::~SmallDisk() {
  if (mounted_) umount2(folder_.c_str(), MNT_DETACH);
}

namespace {

constexpr std::uint32_t kOverrides =
    (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER);

bool Capabilities(__user_cap_data_struct (&data)[2], bool set) {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  return syscall(set ? SYS_capset : SYS_capget, &header, data) == 0;
}

}  // namespace

PermissionsApply::PermissionsApply() {
  if (geteuid() != 0) return;
  __user_cap_data_struct data[2]{};
  if (!Capabilities(data, false)) return;
  saved_[0] = data[0].effective;
  saved_[1] = data[1].effective;
  data[0].effective &= ~kOverrides;
  dropped_ = Capabilities(data, true);
}

PermissionsApply::~PermissionsApply() {
  if (!dropped_) return;
  __user_cap_data_struct data[2]{};
  Capabilities(data, false);
  data[0].effective = saved_[0];
  data[1].effective = saved_[1];
  Capabilities(data, true);
}

ReadOnlyFolder::ReadOnlyFolder(fs::path folder) : folder_(std::move(folder)) {
  before_ = fs::status(folder_).permissions();
  if (PrivateMounts().empty() &&
      mount(folder_.c_str(), folder_.c_str(), nullptr, MS_BIND, nullptr) == 0) {
    bound_ = true;
    if (mount(nullptr, folder_.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0) {
      how_ = "a read-only bind mount";
      return;
    }
    umount2(folder_.c_str(), MNT_DETACH);
    bound_ = false;
  }
  // Without mounts: the folder's permissions, which root obeys only without its overrides;
  // the caller keeps a PermissionsApply for that.
  fs::permissions(folder_, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                               fs::perms::group_exec | fs::perms::others_read |
                               fs::perms::others_exec);
  how_ = "permissions r-x";
}

bool ReadOnlyFolder::Holds() const {
  const fs::path probe = folder_ / ".probe";
  { std::ofstream out(probe); }
  std::error_code error;
  const bool created = fs::exists(probe, error);
  fs::remove(probe, error);
  return !created;
}

void ReadOnlyFolder::Release() {
  if (released_) return;
  released_ = true;
  if (bound_)
    umount2(folder_.c_str(), MNT_DETACH);
  else
    fs::permissions(folder_, before_);
}

ReadOnlyFolder::~ReadOnlyFolder() {
  Release();
}

}  // namespace quill::test

#pragma once
// The faults the fault tests cause: a process killed at a chosen moment, a disk that is
// full, a folder that cannot be written, a file that cannot be read.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace quill::test {

using Micros = std::chrono::microseconds;

// How long work takes, run here.
Micros TimeOf(const std::function<void()>& work);
// count moments spread at random (from seed) over the first four fifths of total, in rising
// order.
std::vector<Micros> KillPoints(std::uint32_t seed, int count, Micros total);
// Runs work in a child process and kills it with SIGKILL after delay; a child that ends
// first is run again with half the delay, up to four times. True when a child was killed.
bool KillAfter(Micros delay, const std::function<void()>& work);

// Moves this process into a mount namespace of its own once, so what the tests mount is
// seen by no one else and goes with the process. "" when that worked, else why not.
std::string PrivateMounts();

// A tmpfs of the given size mounted over folder (its content copied in) while the object
// lives. mounted() is false, and why() says why, where mounting is not allowed.
class SmallDisk {
 public:
  SmallDisk(std::filesystem::path folder, std::uint64_t bytes);
  ~SmallDisk();
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;
  bool mounted() const { return mounted_; }
  const std::string& why() const { return why_; }
  // Gives the disk a new size, content kept.
  bool Resize(std::uint64_t bytes);

 private:
  std::filesystem::path folder_;
  bool mounted_ = false;
  std::string why_;
};

// While the object lives, root obeys file permissions as any user does: the calling thread
// (and the threads and processes it starts) lose the capabilities that override them.
class PermissionsApply {
 public:
  PermissionsApply();
  ~PermissionsApply();
  PermissionsApply(const PermissionsApply&) = delete;
  PermissionsApply& operator=(const PermissionsApply&) = delete;

 private:
  bool dropped_ = false;
  std::uint32_t saved_[2] = {0, 0};
};

// A folder nothing can be written into while the object lives: a read-only bind mount where
// mounting is allowed, else its permissions with PermissionsApply. how() names the way.
class ReadOnlyFolder {
 public:
  explicit ReadOnlyFolder(std::filesystem::path folder);
  ~ReadOnlyFolder();
  ReadOnlyFolder(const ReadOnlyFolder&) = delete;
  ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;
  const std::string& how() const { return how_; }
  // Whether a new file in the folder is really refused.
  bool Holds() const;
  // Makes the folder writable again before the object goes.
  void Release();

 private:
  std::filesystem::path folder_;
  std::string how_;
  bool bound_ = false;
  bool released_ = false;
  std::filesystem::perms before_{};
};

}  // namespace quill::test

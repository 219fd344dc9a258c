#pragma once
// The pseudo-drives a user lists: files (or devices) that libburn writes through "stdio:".
// A file there behaves as a blank writable disc, so a backup can go to an image file.
// QUILLSTOW_DISC_DRIVES lists them, separated by ':'; a path may end in "@SIZE" (bytes, or
// with K, M or G) to give the disc a capacity: "/tmp/backup.iso@700M".

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quill::disc {

struct StdioDrive {
  std::string path;
  std::optional<std::int64_t> capacity;  // bytes; none: the free space of the file system
};

std::vector<StdioDrive> ParseStdioDrives(const std::string& list);

}  // namespace quill::disc

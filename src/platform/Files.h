#pragma once
// File services that differ between Windows and a Wine prefix. Plain existence tests,
// enumeration, copying and deletion use std::filesystem through HostPath().

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace quill::platform {

// File attribute bits as Windows gives them.
namespace fileattr {
inline constexpr std::uint32_t kReadOnly = 0x1;
inline constexpr std::uint32_t kHidden = 0x2;
inline constexpr std::uint32_t kSystem = 0x4;
inline constexpr std::uint32_t kDirectory = 0x10;
inline constexpr std::uint32_t kArchive = 0x20;
inline constexpr std::uint32_t kNormal = 0x80;
}  // namespace fileattr

// The volume a path lies on: its free space, its file system's name and the largest file it
// can hold.
struct VolumeSpace {
  std::uint64_t freeBytes = 0;    // what the calling user may still write
  std::string fileSystem;         // "FAT32", "NTFS", "ext4", ... as far as the system tells
  std::uint64_t largestFile = 0;  // 0: no limit worth naming
};

// FAT file systems hold no file of 4 GiB or more.
inline constexpr std::uint64_t kFatLargestFile = 0xFFFFFFFFULL;

class Files {
 public:
  virtual ~Files() = default;
  // GetTempFileNameA with the number left to the system: folder + separator + the first
  // three characters of prefix + a hexadecimal number + ".tmp". The file is created empty.
  // Returns the full path, or nothing when no file could be created.
  virtual std::optional<std::string> TempFileName(const std::string& folder,
                                                  const std::string& prefix) = 0;
  virtual std::optional<std::uint32_t> GetAttributes(const std::string& path) = 0;
  virtual bool SetAttributes(const std::string& path, std::uint32_t attributes) = 0;
  // The volume of an existing folder (host path text, UTF-8); nothing when the system cannot
  // tell.
  virtual std::optional<VolumeSpace> Volume(const std::string& folder) = 0;
};

// A file the program writes, made new at its name: never opened through a link, a hard link
// or anything else already standing there. Whatever file or link stands at the name is
// removed first (the name itself, never what a link points at); a folder there fails the
// creation.
class NewFile {
 public:
  NewFile() = default;
  ~NewFile();
  NewFile(const NewFile&) = delete;
  NewFile& operator=(const NewFile&) = delete;

  // False, with error saying why, when the file cannot be made.
  bool Create(const std::filesystem::path& path, std::string& error);
  bool Write(const char* data, std::size_t size);
  // Flushes what was written to the disk.
  bool Sync();
  // True when every byte written reached the file.
  bool Close();

 private:
  std::intptr_t handle_ = -1;
};

// The host path of a UTF-8 path text.
inline std::filesystem::path HostPath(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// The UTF-8 text of a host path.
inline std::string PathText(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace quill::platform

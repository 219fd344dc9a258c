#include "archive/ZipLayout.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <vector>

#include "archive/ZipDirectory.h"
#include "platform/Files.h"

namespace quill::archive {
namespace {

struct Placed {
  std::uint64_t offset = 0;  // of the local header
  std::uint64_t packed = 0;  // the data's size in the file
  std::string name;
};

}  // namespace

std::string ZipLayoutProblem(const std::string& path) {
  const auto Little = ZipNumber;
  // Unbuffered: a local header is 30 bytes, and each is read after a seek of its own.
  std::ifstream in;
  in.rdbuf()->pubsetbuf(nullptr, 0);
  in.open(platform::HostPath(path), std::ios::binary);
  if (!in) return std::string();
  std::vector<ZipDirectoryEntry> listed;
  std::uint64_t directory = 0;
  if (!ReadZipDirectory(in, listed, directory)) return std::string();
  std::vector<Placed> entries;
  for (ZipDirectoryEntry& entry : listed)
    entries.push_back({entry.offset, entry.packed, std::move(entry.name)});

  std::stable_sort(entries.begin(), entries.end(),
                   [](const Placed& a, const Placed& b) { return a.offset < b.offset; });
  std::vector<unsigned char> local;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const Placed& entry = entries[i];
    const std::uint64_t limit = i + 1 < entries.size() ? entries[i + 1].offset : directory;
    const std::string next =
        i + 1 < entries.size() ? "the entry " + entries[i + 1].name : "the central directory";
    if (i + 1 < entries.size() && entries[i + 1].offset == entry.offset)
      return "the entries " + entry.name + " and " + entries[i + 1].name + " share their data";
    if (entry.offset > limit || limit - entry.offset < 30 ||
        !ReadZipBytes(in, entry.offset, 30, local) || Little(local.data(), 4) != 0x04034B50)
      return "the header of the entry " + entry.name + " is not where the central directory says";
    const std::uint64_t start = entry.offset + 30 + Little(&local[26], 2) + Little(&local[28], 2);
    if (start > limit || entry.packed > limit - start)
      return "the data of the entry " + entry.name + " runs into " + next;
  }
  return std::string();
}

}  // namespace quill::archive

#include "archive/ZipLayout.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <vector>

#include "platform/Files.h"

namespace quill::archive {
namespace {

std::uint64_t Little(const unsigned char* bytes, int count) {
  std::uint64_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = (value << 8) | bytes[i];
  return value;
}

bool ReadAt(std::ifstream& in, std::uint64_t offset, std::size_t size,
            std::vector<unsigned char>& bytes) {
  bytes.resize(size);
  in.clear();
  in.seekg(static_cast<std::streamoff>(offset));
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
  return in.gcount() == static_cast<std::streamsize>(size);
}

struct Placed {
  std::uint64_t offset = 0;  // of the local header
  std::uint64_t packed = 0;  // the data's size in the file
  std::string name;
};

}  // namespace

std::string ZipLayoutProblem(const std::string& path) {
  // Unbuffered: a local header is 30 bytes, and each is read after a seek of its own.
  std::ifstream in;
  in.rdbuf()->pubsetbuf(nullptr, 0);
  in.open(platform::HostPath(path), std::ios::binary);
  if (!in) return std::string();
  in.seekg(0, std::ios::end);
  const auto end = static_cast<std::uint64_t>(in.tellg());
  // The end record stands in the last 22 bytes plus a comment of up to 65,535.
  const std::uint64_t tail = std::min<std::uint64_t>(end, 22 + 65535);
  std::vector<unsigned char> bytes;
  if (tail < 22 || !ReadAt(in, end - tail, tail, bytes)) return std::string();
  std::size_t at = bytes.size() - 22 + 1;
  do {
    --at;
  } while (at > 0 && Little(&bytes[at], 4) != 0x06054B50);
  if (Little(&bytes[at], 4) != 0x06054B50) return std::string();
  const std::uint64_t endRecord = end - tail + at;
  std::uint64_t count = Little(&bytes[at + 10], 2);
  std::uint64_t directorySize = Little(&bytes[at + 12], 4);
  std::uint64_t directory = Little(&bytes[at + 16], 4);
  if (count == 0xFFFF || directorySize == 0xFFFFFFFF || directory == 0xFFFFFFFF) {
    // ZIP64: a locator before the end record leads to the larger end record.
    std::vector<unsigned char> locator, record;
    if (endRecord < 20 || !ReadAt(in, endRecord - 20, 20, locator) ||
        Little(locator.data(), 4) != 0x07064B50 ||
        !ReadAt(in, Little(&locator[8], 8), 56, record) || Little(record.data(), 4) != 0x06064B50)
      return std::string();
    count = Little(&record[32], 8);
    directorySize = Little(&record[40], 8);
    directory = Little(&record[48], 8);
  }
  if (directory > end || directorySize > end - directory) return std::string();
  std::vector<unsigned char> listing;
  if (!ReadAt(in, directory, directorySize, listing)) return std::string();

  std::vector<Placed> entries;
  for (std::size_t pos = 0; entries.size() < count && pos + 46 <= listing.size();) {
    const unsigned char* header = &listing[pos];
    if (Little(header, 4) != 0x02014B50) break;
    Placed entry;
    entry.packed = Little(header + 20, 4);
    std::uint64_t unpacked = Little(header + 24, 4);
    const std::size_t nameLength = Little(header + 28, 2), extraLength = Little(header + 30, 2),
                      commentLength = Little(header + 32, 2);
    entry.offset = Little(header + 42, 4);
    if (pos + 46 + nameLength + extraLength > listing.size()) break;
    entry.name.assign(reinterpret_cast<const char*>(header + 46), nameLength);
    // The ZIP64 field holds, in this order, the sizes and the offset that do not fit.
    for (std::size_t x = pos + 46 + nameLength; x + 4 <= pos + 46 + nameLength + extraLength;) {
      const std::uint64_t id = Little(&listing[x], 2), size = Little(&listing[x + 2], 2);
      std::size_t field = x + 4;
      const std::size_t fieldEnd = std::min<std::size_t>(field + size, listing.size());
      if (id == 0x0001) {
        for (std::uint64_t* value : {&unpacked, &entry.packed, &entry.offset})
          if (*value == 0xFFFFFFFF && field + 8 <= fieldEnd) {
            *value = Little(&listing[field], 8);
            field += 8;
          }
      }
      x += 4 + size;
    }
    entries.push_back(std::move(entry));
    pos += 46 + nameLength + extraLength + commentLength;
  }

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
    if (entry.offset > limit || limit - entry.offset < 30 || !ReadAt(in, entry.offset, 30, local) ||
        Little(local.data(), 4) != 0x04034B50)
      return "the header of the entry " + entry.name + " is not where the central directory says";
    const std::uint64_t start = entry.offset + 30 + Little(&local[26], 2) + Little(&local[28], 2);
    if (start > limit || entry.packed > limit - start)
      return "the data of the entry " + entry.name + " runs into " + next;
  }
  return std::string();
}

}  // namespace quill::archive

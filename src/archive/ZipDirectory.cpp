#include "archive/ZipDirectory.h"

#include <algorithm>

namespace quill::archive {

std::uint64_t ZipNumber(const unsigned char* bytes, int count) {
  std::uint64_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = (value << 8) | bytes[i];
  return value;
}

bool ReadZipBytes(std::ifstream& in, std::uint64_t offset, std::size_t size,
                  std::vector<unsigned char>& bytes) {
  bytes.resize(size);
  in.clear();
  in.seekg(static_cast<std::streamoff>(offset));
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
  return in.gcount() == static_cast<std::streamsize>(size);
}

bool ReadZipDirectory(std::ifstream& in, std::vector<ZipDirectoryEntry>& entries,
                      std::uint64_t& directory) {
  const auto Little = ZipNumber;
  in.clear();
  in.seekg(0, std::ios::end);
  const auto end = static_cast<std::uint64_t>(in.tellg());
  // The end record stands in the last 22 bytes plus a comment of up to 65,535.
  const std::uint64_t tail = std::min<std::uint64_t>(end, 22 + 65535);
  std::vector<unsigned char> bytes;
  if (tail < 22 || !ReadZipBytes(in, end - tail, tail, bytes)) return false;
  std::size_t at = bytes.size() - 22 + 1;
  do {
    --at;
  } while (at > 0 && Little(&bytes[at], 4) != 0x06054B50);
  if (Little(&bytes[at], 4) != 0x06054B50) return false;
  const std::uint64_t endRecord = end - tail + at;
  std::uint64_t count = Little(&bytes[at + 10], 2);
  std::uint64_t directorySize = Little(&bytes[at + 12], 4);
  directory = Little(&bytes[at + 16], 4);
  if (count == 0xFFFF || directorySize == 0xFFFFFFFF || directory == 0xFFFFFFFF) {
    // ZIP64: a locator before the end record leads to the larger end record.
    std::vector<unsigned char> locator, record;
    if (endRecord < 20 || !ReadZipBytes(in, endRecord - 20, 20, locator) ||
        Little(locator.data(), 4) != 0x07064B50 ||
        !ReadZipBytes(in, Little(&locator[8], 8), 56, record) ||
        Little(record.data(), 4) != 0x06064B50)
      return false;
    count = Little(&record[32], 8);
    directorySize = Little(&record[40], 8);
    directory = Little(&record[48], 8);
  }
  if (directory > end || directorySize > end - directory) return false;
  std::vector<unsigned char> listing;
  if (!ReadZipBytes(in, directory, directorySize, listing)) return false;

  entries.clear();
  for (std::size_t pos = 0; entries.size() < count && pos + 46 <= listing.size();) {
    const unsigned char* header = &listing[pos];
    if (Little(header, 4) != 0x02014B50) break;
    ZipDirectoryEntry entry;
    entry.flags = static_cast<std::uint16_t>(Little(header + 8, 2));
    entry.method = static_cast<std::uint16_t>(Little(header + 10, 2));
    entry.dosTime = static_cast<std::uint16_t>(Little(header + 12, 2));
    entry.crc = static_cast<std::uint32_t>(Little(header + 16, 4));
    entry.packed = Little(header + 20, 4);
    entry.size = Little(header + 24, 4);
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
        for (std::uint64_t* value : {&entry.size, &entry.packed, &entry.offset})
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
  return true;
}

}  // namespace quill::archive

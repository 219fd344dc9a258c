#include "archive/ZipRecords.h"

#include <ctime>

namespace quill::archive {
namespace {

constexpr std::uint16_t kMadeByUnix = (3 << 8) | 30;
constexpr std::uint16_t kFlagEncrypted = 1 << 0;
constexpr std::uint16_t kFlagSizesFollow = 1 << 3;
constexpr std::uint16_t kFlagUtf8 = 1 << 11;
constexpr std::uint16_t kExtendedTime = 0x5455;
constexpr std::uint16_t kZip64 = 0x0001;

void Put(std::string& out, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::uint16_t Flags(const ZipEntryRecord& entry) {
  std::uint16_t flags = 0;
  if (entry.encrypted) flags |= kFlagEncrypted;
  if (entry.sizesFollow) flags |= kFlagSizesFollow;
  if (entry.utf8) flags |= kFlagUtf8;
  return flags;
}

bool NeedsZip64(const ZipEntryRecord& entry) {
  return entry.zip64 || entry.size >= kZip32Limit || entry.packed >= kZip32Limit;
}

std::uint16_t Needed(const ZipEntryRecord& entry, bool offsetTooLarge) {
  return NeedsZip64(entry) || offsetTooLarge ? 45 : 20;
}

// The modification time in seconds, as Info-ZIP keeps it beside the DOS time; left out
// where it does not fit the field.
void PutExtendedTime(std::string& extra, const ZipEntryRecord& entry) {
  if (entry.modified < 0 || entry.modified > 0x7FFFFFFF) return;
  Put(extra, kExtendedTime, 2);
  Put(extra, 5, 2);
  Put(extra, 1, 1);  // the modification time is there
  Put(extra, static_cast<std::uint64_t>(entry.modified), 4);
}

}  // namespace

void SetModified(ZipEntryRecord& entry, std::int64_t seconds) {
  entry.modified = seconds;
  const auto time = static_cast<std::time_t>(seconds);
  std::tm local{};
#ifdef _WIN32
  const bool known = localtime_s(&local, &time) == 0;
#else
  const bool known = localtime_r(&time, &local) != nullptr;
#endif
  // DOS dates run from 1980 to 2107.
  if (!known || local.tm_year < 80) {
    entry.dosDate = (0 << 9) | (1 << 5) | 1;
    entry.dosTime = 0;
    return;
  }
  if (local.tm_year > 207) {
    local.tm_year = 207;
    local.tm_mon = 11;
    local.tm_mday = 31;
    local.tm_hour = 23;
    local.tm_min = 59;
    local.tm_sec = 59;
  }
  entry.dosDate = static_cast<std::uint16_t>(((local.tm_year - 80) << 9) |
                                             ((local.tm_mon + 1) << 5) | local.tm_mday);
  entry.dosTime =
      static_cast<std::uint16_t>((local.tm_hour << 11) | (local.tm_min << 5) | (local.tm_sec / 2));
}

std::uint8_t CheckByte(const ZipEntryRecord& entry) {
  return entry.sizesFollow ? static_cast<std::uint8_t>(entry.dosTime >> 8)
                           : static_cast<std::uint8_t>(entry.crc >> 24);
}

std::string LocalHeader(const ZipEntryRecord& entry) {
  const bool zip64 = NeedsZip64(entry);
  std::string extra;
  if (zip64) {
    Put(extra, kZip64, 2);
    Put(extra, 16, 2);
    Put(extra, entry.sizesFollow ? 0 : entry.size, 8);
    Put(extra, entry.sizesFollow ? 0 : entry.packed, 8);
  }
  PutExtendedTime(extra, entry);
  std::string out;
  out.reserve(30 + entry.name.size() + extra.size());
  Put(out, 0x04034B50, 4);
  Put(out, Needed(entry, false), 2);
  Put(out, Flags(entry), 2);
  Put(out, entry.deflated ? 8 : 0, 2);
  Put(out, entry.dosTime, 2);
  Put(out, entry.dosDate, 2);
  Put(out, entry.sizesFollow ? 0 : entry.crc, 4);
  Put(out, entry.sizesFollow ? 0 : zip64 ? kZip32Limit : entry.packed, 4);
  Put(out, entry.sizesFollow ? 0 : zip64 ? kZip32Limit : entry.size, 4);
  Put(out, entry.name.size(), 2);
  Put(out, extra.size(), 2);
  out += entry.name;
  out += extra;
  return out;
}

std::string DataDescriptor(const ZipEntryRecord& entry) {
  std::string out;
  const int width = entry.zip64 ? 8 : 4;
  Put(out, 0x08074B50, 4);
  Put(out, entry.crc, 4);
  Put(out, entry.packed, width);
  Put(out, entry.size, width);
  return out;
}

std::string CentralHeader(const ZipEntryRecord& entry) {
  const bool bigSize = entry.size >= kZip32Limit, bigPacked = entry.packed >= kZip32Limit,
             bigOffset = entry.offset >= kZip32Limit;
  std::string extra;
  if (bigSize || bigPacked || bigOffset) {
    Put(extra, kZip64, 2);
    Put(extra, 8 * (bigSize + bigPacked + bigOffset), 2);
    if (bigSize) Put(extra, entry.size, 8);
    if (bigPacked) Put(extra, entry.packed, 8);
    if (bigOffset) Put(extra, entry.offset, 8);
  }
  PutExtendedTime(extra, entry);
  const std::uint32_t mode = entry.directory ? 040755 : 0100644;
  std::string out;
  out.reserve(46 + entry.name.size() + extra.size());
  Put(out, 0x02014B50, 4);
  Put(out, kMadeByUnix, 2);
  Put(out, Needed(entry, bigOffset), 2);
  Put(out, Flags(entry), 2);
  Put(out, entry.deflated ? 8 : 0, 2);
  Put(out, entry.dosTime, 2);
  Put(out, entry.dosDate, 2);
  Put(out, entry.crc, 4);
  Put(out, bigPacked ? kZip32Limit : entry.packed, 4);
  Put(out, bigSize ? kZip32Limit : entry.size, 4);
  Put(out, entry.name.size(), 2);
  Put(out, extra.size(), 2);
  Put(out, 0, 2);  // no comment
  Put(out, 0, 2);  // disk 0
  Put(out, 0, 2);  // internal attributes
  Put(out, (static_cast<std::uint64_t>(mode) << 16) | (entry.directory ? 0x10 : 0), 4);
  Put(out, bigOffset ? kZip32Limit : entry.offset, 4);
  out += entry.name;
  out += extra;
  return out;
}

std::string EndRecords(std::uint64_t count, std::uint64_t directoryOffset,
                       std::uint64_t directorySize) {
  std::string out;
  const bool zip64 =
      count >= 0xFFFF || directoryOffset >= kZip32Limit || directorySize >= kZip32Limit;
  if (zip64) {
    const std::uint64_t recordOffset = directoryOffset + directorySize;
    Put(out, 0x06064B50, 4);
    Put(out, 44, 8);
    Put(out, kMadeByUnix, 2);
    Put(out, 45, 2);
    Put(out, 0, 4);
    Put(out, 0, 4);
    Put(out, count, 8);
    Put(out, count, 8);
    Put(out, directorySize, 8);
    Put(out, directoryOffset, 8);
    Put(out, 0x07064B50, 4);
    Put(out, 0, 4);
    Put(out, recordOffset, 8);
    Put(out, 1, 4);
  }
  Put(out, 0x06054B50, 4);
  Put(out, 0, 2);
  Put(out, 0, 2);
  Put(out, zip64 ? 0xFFFF : count, 2);
  Put(out, zip64 ? 0xFFFF : count, 2);
  Put(out, zip64 ? kZip32Limit : directorySize, 4);
  Put(out, zip64 ? kZip32Limit : directoryOffset, 4);
  Put(out, 0, 2);
  return out;
}

}  // namespace quill::archive

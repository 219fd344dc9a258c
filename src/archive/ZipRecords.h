#pragma once
// The records of a ZIP file as this program writes them: the local header before an entry's
// data, the data descriptor after it when its sizes were not known in time, the central
// directory's header of each entry and the end records, ZIP64 where a size, an offset or the
// count needs it.

#include <cstdint>
#include <string>

namespace quill::archive {

struct ZipEntryRecord {
  std::string name;   // the bytes stored: code page or UTF-8
  bool utf8 = false;  // the name is UTF-8 (the flag says so)
  bool directory = false;
  bool deflated = false;
  bool encrypted = false;
  // The sizes and the CRC follow the data in a descriptor (the local header holds zeros).
  bool sizesFollow = false;
  // The sizes are kept in ZIP64 fields: chosen before the data for an entry whose sizes
  // follow it, from the sizes otherwise.
  bool zip64 = false;
  std::uint32_t crc = 0;
  std::uint64_t packed = 0;  // the data's bytes in the file, the encryption header included
  std::uint64_t size = 0;
  std::uint64_t offset = 0;                // of the local header
  std::int64_t modified = 0;               // seconds since 1970 (UTC)
  std::uint16_t dosTime = 0, dosDate = 0;  // the local time of modified
};

// Sets modified and the DOS date and time of the local time it falls at.
void SetModified(ZipEntryRecord& entry, std::int64_t seconds);
// The check byte an encrypted entry's header ends with.
std::uint8_t CheckByte(const ZipEntryRecord& entry);

std::string LocalHeader(const ZipEntryRecord& entry);
std::string DataDescriptor(const ZipEntryRecord& entry);
std::string CentralHeader(const ZipEntryRecord& entry);
// The end of central directory record, with the ZIP64 record and locator before it when the
// count, the directory's offset or its size needs them.
std::string EndRecords(std::uint64_t count, std::uint64_t directoryOffset,
                       std::uint64_t directorySize);

inline constexpr std::uint64_t kZip32Limit = 0xFFFFFFFFULL;

}  // namespace quill::archive

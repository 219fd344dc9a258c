#pragma once
// The central directory of a ZIP file as it stands: where each entry lies, its sizes, CRC,
// method and flags, its name's bytes. Nothing is checked here but that the records are there;
// the layout check and the readers judge the rest.

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace quill::archive {

struct ZipDirectoryEntry {
  std::uint64_t offset = 0;  // of the local header
  std::uint64_t packed = 0;  // the data's bytes in the file
  std::uint64_t size = 0;
  std::uint32_t crc = 0;
  std::uint16_t method = 0;
  std::uint16_t flags = 0;
  std::uint16_t dosTime = 0;
  std::string name;  // the bytes stored
};

// Reads the central directory of the file open in in (unbuffered reads suit it: each record
// is read after a seek of its own). directory: where it starts. False when the file has no
// end record or directory to read.
bool ReadZipDirectory(std::ifstream& in, std::vector<ZipDirectoryEntry>& entries,
                      std::uint64_t& directory);

// Reads size bytes at offset; false when the file ends first.
bool ReadZipBytes(std::ifstream& in, std::uint64_t offset, std::size_t size,
                  std::vector<unsigned char>& bytes);

// The little-endian number of count bytes.
std::uint64_t ZipNumber(const unsigned char* bytes, int count);

}  // namespace quill::archive

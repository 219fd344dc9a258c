#pragma once
// An entry's bytes read straight from its file: decrypted with the table-driven coder, inflated
// with zlib, the CRC taken with libdeflate. A restore's large entries go this way: several
// times faster than libarchive's byte-by-byte decryption, which calls zlib's CRC per byte.

#include <cstdint>
#include <fstream>
#include <functional>
#include <string>

#include "archive/ZipDirectory.h"

namespace quill::archive {

struct DirectRead {
  std::uint64_t bytes = 0;  // handed to take
  std::string problem;      // empty when the data read cleanly
  bool declined = false;    // take declined a piece
};

// True when the entry can be read this way: stored or deflated, unprotected or protected
// with traditional encryption.
bool ReadsDirectly(const ZipDirectoryEntry& entry);

// Hands the entry's plain bytes, read from its archive open in in, to take piece by piece,
// until it declines. password: the bytes the entry is keyed with.
DirectRead ReadEntryData(std::ifstream& in, const ZipDirectoryEntry& entry,
                         const std::string& password,
                         const std::function<bool(const char*, std::size_t)>& take);

}  // namespace quill::archive

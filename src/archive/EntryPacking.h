#pragma once
// Turning an entry's plain bytes into the bytes stored: a whole entry at once (libdeflate), or
// a long entry piece by piece (zlib, each piece primed with the 32 KiB before it and ending at
// a byte boundary, so the pieces, made side by side, join into one deflate stream).

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quill::archive {

using Bytes = std::vector<std::uint8_t>;

// The deflate level every entry is packed with: zip's own default.
inline constexpr int kDeflateLevel = 6;

struct PackedEntry {
  Bytes data;  // as stored: encryption header and all
  std::uint32_t crc = 0;
  bool deflated = false;
};

// The CRC-32 of bytes, continuing from crc.
std::uint32_t Crc32(std::uint32_t crc, const std::uint8_t* bytes, std::size_t size);

// A whole entry: deflated where that makes it smaller (and compress asks for it), stored
// otherwise; encrypted with the password's bytes when there are any, its header made of the
// random bytes and the CRC's check byte.
PackedEntry PackWhole(Bytes plain, bool compress, const std::string& password,
                      const std::array<std::uint8_t, 11>& random);

// One piece of a long entry's deflate stream. input holds the piece after the primer: the up
// to 32 KiB before it (primer bytes at the front). The last piece ends the stream.
Bytes DeflatePiece(const Bytes& input, std::size_t primer, bool last);

}  // namespace quill::archive

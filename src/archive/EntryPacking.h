#pragma once
// Turning an entry's plain bytes into the bytes stored: a whole entry at once (libdeflate), or
// a long entry piece by piece (zlib, each piece primed with the 32 KiB before it and ending at
// a byte boundary, so the pieces, made side by side, join into one deflate stream).

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct libdeflate_compressor;

namespace quill::archive {

using Bytes = std::vector<std::uint8_t>;

// The deflate level every entry is packed with: zip's own default.
inline constexpr int kDeflateLevel = 6;

struct PackedEntry {
  Bytes data;  // as stored: encryption header and all
  std::uint32_t crc = 0;
  bool deflated = false;
};

// The compressors of the threads that pack: one is taken for each piece of work and given back
// after it, so no thread holds one of its own (thread-local objects with destructors are not
// safe on every system this program runs on).
class Packers {
 public:
  Packers();
  ~Packers();
  Packers(const Packers&) = delete;
  Packers& operator=(const Packers&) = delete;

  struct Deflater;
  template <class Tool>
  class Lease {
   public:
    Lease(Packers& packers, std::vector<Tool*>& free, Tool* tool)
        : packers_(packers), free_(free), tool_(tool) {}
    ~Lease() { packers_.GiveBack(free_, tool_); }
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;
    Tool* get() const { return tool_; }

   private:
    Packers& packers_;
    std::vector<Tool*>& free_;
    Tool* tool_;
  };
  Lease<libdeflate_compressor> Compressor();
  Lease<Deflater> PieceDeflater();

 private:
  template <class Tool>
  void GiveBack(std::vector<Tool*>& free, Tool* tool) {
    const std::lock_guard lock(mutex_);
    free.push_back(tool);
  }

  std::mutex mutex_;
  std::vector<libdeflate_compressor*> compressors_;
  std::vector<Deflater*> deflaters_;
};

// The CRC-32 of bytes, continuing from crc.
std::uint32_t Crc32(std::uint32_t crc, const std::uint8_t* bytes, std::size_t size);

// A whole entry: deflated where that makes it smaller (and compress asks for it), stored
// otherwise; encrypted with the password's bytes when there are any, its header made of the
// random bytes and the CRC's check byte.
PackedEntry PackWhole(Packers& packers, Bytes plain, bool compress, const std::string& password,
                      const std::array<std::uint8_t, 11>& random);

// One piece of a long entry's deflate stream. input holds the piece after the primer: the up
// to 32 KiB before it (primer bytes at the front). The last piece ends the stream.
Bytes DeflatePiece(Packers& packers, const Bytes& input, std::size_t primer, bool last);

}  // namespace quill::archive

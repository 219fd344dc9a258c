#include "archive/EntryData.h"

#include <libdeflate.h>
#include <zlib.h>

#include <memory>
#include <optional>
#include <vector>

#include "archive/EntryPacking.h"
#include "archive/ZipCrypto.h"

namespace quill::archive {
namespace {

constexpr std::uint16_t kEncrypted = 1 << 0;
constexpr std::uint16_t kSizesFollow = 1 << 3;
// Strong encryption, and the central directory's encryption: not traditional.
constexpr std::uint16_t kOtherEncryption = (1 << 6) | (1 << 13);
constexpr std::size_t kPiece = 256 << 10;
// An entry up to this size, packed and plain, is inflated whole with libdeflate.
constexpr std::uint64_t kWholeLimit = 4 << 20;

struct DecompressorFree {
  void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

struct Inflater {
  z_stream stream{};
  bool ready = false;
  Inflater() { ready = inflateInit2(&stream, -15) == Z_OK; }
  ~Inflater() {
    if (ready) inflateEnd(&stream);
  }
};

// The entry's data from where the reader stands, piece by piece: stored as it is, deflated
// through zlib. The size the record gives is held to as libarchive holds it: data whose end
// comes within a piece, at another size, is refused before that piece is handed on.
template <class Read>
DirectRead Stream(const ZipDirectoryEntry& entry, Bytes& packed, Bytes& plain, std::uint64_t& left,
                  const Read& read, const std::function<bool(const char*, std::size_t)>& take) {
  DirectRead result;
  Inflater inflater;
  if (entry.method == 8 && !inflater.ready) {
    result.problem = "out of memory";
    return result;
  }
  std::uint32_t crc = 0;
  const auto give = [&](const unsigned char* bytes, std::size_t size, bool last) {
    if (last && result.bytes + size != entry.size) {
      result.problem = "ZIP uncompressed data is wrong size (read " +
                       std::to_string(result.bytes + size) + ", expected " +
                       std::to_string(entry.size) + ")";
      return false;
    }
    crc = Crc32(crc, bytes, size);
    result.bytes += size;
    if (size == 0 || take(reinterpret_cast<const char*>(bytes), size)) return true;
    result.declined = true;
    return false;
  };
  bool ended = entry.method == 0 && left == 0;
  while (left > 0 && !ended) {
    const std::size_t size = static_cast<std::size_t>(std::min<std::uint64_t>(left, kPiece));
    if (!read(size)) {
      result.problem = "truncated ZIP file data";
      return result;
    }
    if (entry.method == 0) {
      if (!give(packed.data(), size, left == 0)) return result;
      ended = left == 0;
      continue;
    }
    z_stream& stream = inflater.stream;
    stream.next_in = packed.data();
    stream.avail_in = static_cast<uInt>(size);
    do {
      stream.next_out = plain.data();
      stream.avail_out = static_cast<uInt>(plain.size());
      const int status = inflate(&stream, Z_NO_FLUSH);
      if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR) {
        result.problem = "damaged compressed data";
        return result;
      }
      ended = status == Z_STREAM_END;
      const std::size_t made = plain.size() - stream.avail_out;
      if (!give(plain.data(), made, ended)) return result;
      if (status == Z_BUF_ERROR) break;
    } while (!ended && (stream.avail_in > 0 || stream.avail_out == 0));
  }
  if (!ended) {
    result.problem = entry.method == 0 ? "" : "truncated ZIP file data";
    if (entry.method == 0 && result.bytes != entry.size)
      result.problem = "ZIP uncompressed data is wrong size (read " + std::to_string(result.bytes) +
                       ", expected " + std::to_string(entry.size) + ")";
    if (!result.problem.empty()) return result;
  }
  if (crc != entry.crc) result.problem = "ZIP bad CRC";
  return result;
}

}  // namespace

bool ReadsDirectly(const ZipDirectoryEntry& entry) {
  return (entry.method == 0 || entry.method == 8) && (entry.flags & kOtherEncryption) == 0;
}

DirectRead ReadEntryData(std::ifstream& in, const ZipDirectoryEntry& entry,
                         const std::string& password,
                         const std::function<bool(const char*, std::size_t)>& take) {
  DirectRead result;
  if (!in.is_open()) {
    result.problem = "cannot open the archive";
    return result;
  }
  std::vector<unsigned char> local;
  if (!ReadZipBytes(in, entry.offset, 30, local) || ZipNumber(local.data(), 4) != 0x04034B50) {
    result.problem = "the entry's header is not where the central directory says";
    return result;
  }
  const std::uint64_t start =
      entry.offset + 30 + ZipNumber(&local[26], 2) + ZipNumber(&local[28], 2);
  std::uint64_t left = 0;
  std::optional<ZipCrypto> coder;
  // Sized for what is read: most entries are small and read whole.
  Bytes packed(ZipCrypto::kHeaderSize), plain;
  const auto read = [&](std::size_t size) {
    in.read(reinterpret_cast<char*>(packed.data()), static_cast<std::streamsize>(size));
    if (static_cast<std::size_t>(in.gcount()) != size) return false;
    left -= size;
    if (coder) coder->Decrypt(packed.data(), size);
    return true;
  };
  // Goes to the start of the data, past the encryption header, whose check byte it tests.
  const auto begin = [&]() -> std::string {
    in.clear();
    in.seekg(static_cast<std::streamoff>(start));
    left = entry.packed;
    coder.reset();
    if ((entry.flags & kEncrypted) == 0) return std::string();
    if (left < ZipCrypto::kHeaderSize) return "truncated encrypted data";
    coder.emplace(password);
    if (!read(ZipCrypto::kHeaderSize)) return "truncated ZIP file data";
    const auto check = static_cast<std::uint8_t>(
        (entry.flags & kSizesFollow) != 0 ? entry.dosTime >> 8 : entry.crc >> 24);
    return packed[ZipCrypto::kHeaderSize - 1] == check ? std::string() : "Incorrect passphrase";
  };
  if (result.problem = begin(); !result.problem.empty()) return result;
  if (entry.method == 8 && entry.size <= kWholeLimit && left <= kWholeLimit) {
    // A small entry: read whole and inflated at once, several times faster than zlib. Data
    // that does not inflate to the size its record gives takes the path below, which says
    // how it goes wrong.
    std::unique_ptr<libdeflate_decompressor, DecompressorFree> decompressor(
        libdeflate_alloc_decompressor());
    Bytes whole(static_cast<std::size_t>(entry.size));
    packed.resize(static_cast<std::size_t>(left));
    std::size_t got = 0;
    if (decompressor && read(packed.size()) &&
        libdeflate_deflate_decompress(decompressor.get(), packed.data(), packed.size(),
                                      whole.data(), whole.size(), &got) == LIBDEFLATE_SUCCESS &&
        got == whole.size()) {
      const std::uint32_t crc = Crc32(0, whole.data(), whole.size());
      result.bytes = whole.size();
      if (!whole.empty() && !take(reinterpret_cast<const char*>(whole.data()), whole.size())) {
        result.declined = true;
        return result;
      }
      if (crc != entry.crc) result.problem = "ZIP bad CRC";
      return result;
    }
    packed.resize(kPiece);
    if (result.problem = begin(); !result.problem.empty()) return result;
  }
  packed.resize(kPiece);
  plain.resize(kPiece);
  return Stream(entry, packed, plain, left, read, take);
}

}  // namespace quill::archive

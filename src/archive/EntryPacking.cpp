#include "archive/EntryPacking.h"

#include <libdeflate.h>
#include <zlib.h>

#include <memory>
#include <new>
#include <stdexcept>

#include "archive/ZipCrypto.h"

namespace quill::archive {
struct Packers::Deflater {
  z_stream stream{};
  bool ready = false;
  Deflater() {
    ready = deflateInit2(&stream, kDeflateLevel, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) == Z_OK;
  }
  ~Deflater() {
    if (ready) deflateEnd(&stream);
  }
};

Packers::Packers() = default;

Packers::~Packers() {
  for (libdeflate_compressor* compressor : compressors_) libdeflate_free_compressor(compressor);
  for (Deflater* deflater : deflaters_) delete deflater;
}

Packers::Lease<libdeflate_compressor> Packers::Compressor() {
  {
    const std::lock_guard lock(mutex_);
    if (!compressors_.empty()) {
      libdeflate_compressor* compressor = compressors_.back();
      compressors_.pop_back();
      return {*this, compressors_, compressor};
    }
  }
  libdeflate_compressor* compressor = libdeflate_alloc_compressor(kDeflateLevel);
  if (compressor == nullptr) throw std::bad_alloc();
  return {*this, compressors_, compressor};
}

Packers::Lease<Packers::Deflater> Packers::PieceDeflater() {
  {
    const std::lock_guard lock(mutex_);
    if (!deflaters_.empty()) {
      Deflater* deflater = deflaters_.back();
      deflaters_.pop_back();
      return {*this, deflaters_, deflater};
    }
  }
  auto deflater = std::make_unique<Deflater>();
  if (!deflater->ready) throw std::bad_alloc();
  return {*this, deflaters_, deflater.release()};
}

std::uint32_t Crc32(std::uint32_t crc, const std::uint8_t* bytes, std::size_t size) {
  return libdeflate_crc32(crc, bytes, size);
}

PackedEntry PackWhole(Packers& packers, Bytes plain, bool compress, const std::string& password,
                      const std::array<std::uint8_t, 11>& random) {
  PackedEntry packed;
  packed.crc = Crc32(0, plain.data(), plain.size());
  const std::size_t header = password.empty() ? 0 : ZipCrypto::kHeaderSize;
  if (compress && !plain.empty()) {
    const auto compressor = packers.Compressor();
    Bytes out(header + libdeflate_deflate_compress_bound(compressor.get(), plain.size()));
    const std::size_t size = libdeflate_deflate_compress(
        compressor.get(), plain.data(), plain.size(), out.data() + header, out.size() - header);
    if (size != 0 && size < plain.size()) {
      out.resize(header + size);
      packed.data = std::move(out);
      packed.deflated = true;
    }
  }
  if (!packed.deflated) {
    if (header == 0) {
      packed.data = std::move(plain);
    } else {
      packed.data.resize(header + plain.size());
      std::copy(plain.begin(), plain.end(), packed.data.begin() + header);
    }
  }
  if (header != 0) {
    ZipCrypto coder(password);
    coder.MakeHeader(random, static_cast<std::uint8_t>(packed.crc >> 24), packed.data.data());
    coder.Encrypt(packed.data.data() + header, packed.data.size() - header);
  }
  return packed;
}

Bytes DeflatePiece(Packers& packers, const Bytes& input, std::size_t primer, bool last) {
  const auto deflater = packers.PieceDeflater();
  z_stream& stream = deflater.get()->stream;
  if (deflateReset(&stream) != Z_OK) throw std::runtime_error("the deflate stream broke");
  if (primer > 0 && deflateSetDictionary(&stream, input.data(), static_cast<uInt>(primer)) != Z_OK)
    throw std::runtime_error("the deflate stream broke");
  const std::size_t size = input.size() - primer;
  // The bound of a whole stream, and room for the flush's empty block.
  Bytes out(deflateBound(&stream, static_cast<uLong>(size)) + 64);
  stream.next_in = const_cast<Bytef*>(input.data() + primer);
  stream.avail_in = static_cast<uInt>(size);
  stream.next_out = out.data();
  stream.avail_out = static_cast<uInt>(out.size());
  const int result = deflate(&stream, last ? Z_FINISH : Z_SYNC_FLUSH);
  if ((last && result != Z_STREAM_END) || (!last && result != Z_OK) || stream.avail_in != 0 ||
      stream.avail_out == 0)
    throw std::runtime_error("the deflate stream broke");
  out.resize(out.size() - stream.avail_out);
  return out;
}

}  // namespace quill::archive

#include "archive/ZipCrypto.h"

namespace quill::archive {
namespace {

// The CRC-32 table (polynomial 0xEDB88320) the keys are stepped with.
constexpr std::array<std::uint32_t, 256> MakeTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320U ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}
constexpr std::array<std::uint32_t, 256> kTable = MakeTable();

inline std::uint32_t CrcStep(std::uint32_t crc, std::uint8_t byte) {
  return kTable[(crc ^ byte) & 0xFF] ^ (crc >> 8);
}

}  // namespace

ZipCrypto::ZipCrypto(std::string_view password) {
  for (char c : password) Update(static_cast<std::uint8_t>(c));
}

inline void ZipCrypto::Update(std::uint8_t plain) {
  key0_ = CrcStep(key0_, plain);
  key1_ = (key1_ + (key0_ & 0xFF)) * 134775813U + 1;
  key2_ = CrcStep(key2_, static_cast<std::uint8_t>(key1_ >> 24));
}

void ZipCrypto::MakeHeader(const std::array<std::uint8_t, 11>& random, std::uint8_t check,
                           std::uint8_t* out) {
  for (std::size_t i = 0; i < random.size(); ++i) out[i] = random[i];
  out[11] = check;
  Encrypt(out, kHeaderSize);
}

template <bool kDecrypt>
void ZipCrypto::Code(std::uint8_t* bytes, std::size_t size) {
  // The keys live in locals: stores through bytes could otherwise alias them.
  std::uint32_t k0 = key0_, k1 = key1_, k2 = key2_;
  for (std::size_t i = 0; i < size; ++i) {
    const std::uint32_t temp = (k2 | 2) & 0xFFFF;
    const auto coded = static_cast<std::uint8_t>(bytes[i] ^ ((temp * (temp ^ 1)) >> 8));
    // The keys step with the plain byte: what comes out when decrypting, what goes in when
    // encrypting.
    const std::uint8_t plain = kDecrypt ? coded : bytes[i];
    bytes[i] = coded;
    k0 = CrcStep(k0, plain);
    k1 = (k1 + (k0 & 0xFF)) * 134775813U + 1;
    k2 = CrcStep(k2, static_cast<std::uint8_t>(k1 >> 24));
  }
  key0_ = k0;
  key1_ = k1;
  key2_ = k2;
}

void ZipCrypto::Encrypt(std::uint8_t* bytes, std::size_t size) {
  Code<false>(bytes, size);
}

void ZipCrypto::Decrypt(std::uint8_t* bytes, std::size_t size) {
  Code<true>(bytes, size);
}

}  // namespace quill::archive

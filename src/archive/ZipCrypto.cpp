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

constexpr std::uint32_t kMultiplier = 134775813U;

// The value as it is, computed where it stands: the compiler may not merge it into the
// expression that uses it (an empty asm statement it cannot see through).
inline std::uint32_t Apart(std::uint32_t value) {
#if defined(__GNUC__)
  asm("" : "+r"(value));
#endif
  return value;
}

inline std::uint32_t CrcStep(std::uint32_t crc, std::uint8_t byte) {
  return kTable[(crc ^ byte) & 0xFF] ^ (crc >> 8);
}

}  // namespace

ZipCrypto::ZipCrypto(std::string_view password) {
  for (char c : password) Update(static_cast<std::uint8_t>(c));
}

inline void ZipCrypto::Update(std::uint8_t plain) {
  key0_ = CrcStep(key0_, plain);
  key1_ = (key1_ + (key0_ & 0xFF)) * kMultiplier + 1;
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
    const std::uint32_t in = bytes[i];
    // Decrypting, each plain byte waits on the key byte, and the next key byte on it: a chain
    // through every byte of the entry. What does not wait on the chain is worked out beside
    // it, and kept apart so the compiler does not fold it back in.
    const std::uint32_t early = Apart(in ^ (k0 & 0xFF));
    // Bits 8 to 15 of the product come from the low 16 bits of key 2 alone.
    const std::uint32_t temp = k2 | 2;
    const std::uint32_t key = ((temp * (temp ^ 1)) >> 8) & 0xFF;
    bytes[i] = static_cast<std::uint8_t>(in ^ key);
    // The keys step with the plain byte: what comes out when decrypting, what goes in when
    // encrypting.
    k0 = kTable[kDecrypt ? early ^ key : early] ^ (k0 >> 8);
    k1 = Apart(k1 * kMultiplier + 1) + (k0 & 0xFF) * kMultiplier;
    k2 = kTable[Apart(k2 & 0xFF) ^ (k1 >> 24)] ^ (k2 >> 8);
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

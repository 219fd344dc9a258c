#pragma once
// Traditional ZIP encryption ("ZipCrypto"), table-driven: the three keys of an entry are
// updated byte by byte from the plain text, so one entry is encrypted in order, and entries
// side by side each with a coder of its own.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quill::archive {

class ZipCrypto {
 public:
  static constexpr std::size_t kHeaderSize = 12;

  // Keys the coder with the password's bytes.
  explicit ZipCrypto(std::string_view password);

  // The 12 bytes that open an encrypted entry: eleven random bytes and the check byte a
  // reader compares after decrypting them (the CRC's high byte, or the time's high byte for
  // an entry whose sizes follow its data), encrypted in place.
  void MakeHeader(const std::array<std::uint8_t, 11>& random, std::uint8_t check,
                  std::uint8_t* out);
  void Encrypt(std::uint8_t* bytes, std::size_t size);
  void Decrypt(std::uint8_t* bytes, std::size_t size);

 private:
  void Update(std::uint8_t plain);
  template <bool kDecrypt>
  void Code(std::uint8_t* bytes, std::size_t size);

  std::uint32_t key0_ = 0x12345678, key1_ = 0x23456789, key2_ = 0x34567890;
};

}  // namespace quill::archive

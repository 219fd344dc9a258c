#include "support/HiveFile.h"

#include <hivex.h>

#include <cstring>
#include <fstream>
#include <stdexcept>
#include <vector>

namespace quill::test {
namespace {

void Put32(std::string& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xff);
}
void Put16(std::string& bytes, std::size_t at, std::uint16_t value) {
  bytes[at] = static_cast<char>(value & 0xff);
  bytes[at + 1] = static_cast<char>(value >> 8);
}

// hivex's handles, closed at the end of a scope.
struct OpenHive {
  hive_h* hive;
  explicit OpenHive(const std::filesystem::path& file)
      : hive(hivex_open(file.c_str(), HIVEX_OPEN_WRITE)) {
    if (hive == nullptr) throw std::runtime_error("hivex cannot open " + file.string());
  }
  ~OpenHive() { hivex_close(hive); }
};

void CopyKey(hive_h* hive, hive_node_h node, const platform::posix::HiveKey& key) {
  std::vector<std::string> names;
  for (const auto& value : key.values()) names.push_back(platform::Utf16ToUtf8(value.name));
  std::vector<hive_set_value> values;
  for (std::size_t i = 0; i < key.values().size(); ++i) {
    const auto& value = key.values()[i];
    hive_set_value set{};
    set.key = names[i].data();
    // Types beyond hivex's enumeration (0x10017) go in as their bytes.
    static_assert(sizeof(set.t) == sizeof(value.type));
    std::memcpy(&set.t, &value.type, sizeof set.t);
    set.len = value.data.size();
    set.value = const_cast<char*>(value.data.data());
    values.push_back(set);
  }
  if (hivex_node_set_values(hive, node, values.size(), values.data(), 0) != 0)
    throw std::runtime_error("hivex cannot set the values of a key");
  for (const auto& subkey : key.subkeys()) {
    const hive_node_h child =
        hivex_node_add_child(hive, node, platform::Utf16ToUtf8(subkey->name()).c_str());
    if (child == 0) throw std::runtime_error("hivex cannot add a key");
    CopyKey(hive, child, *subkey);
  }
}

}  // namespace

void WriteEmptyHive(const std::filesystem::path& file) {
  constexpr std::size_t kBlock = 4096;
  std::string bytes(2 * kBlock, '\0');
  // The base block.
  std::memcpy(bytes.data(), "regf", 4);
  Put32(bytes, 0x04, 1);  // sequence numbers, equal: the hive is consistent
  Put32(bytes, 0x08, 1);
  Put32(bytes, 0x14, 1);  // version 1.3
  Put32(bytes, 0x18, 3);
  Put32(bytes, 0x1c, 0);       // a primary file
  Put32(bytes, 0x20, 1);       // direct memory load
  Put32(bytes, 0x24, 0x20);    // the root key's cell, from the start of the bins
  Put32(bytes, 0x28, kBlock);  // the bins' size
  Put32(bytes, 0x2c, 1);
  std::uint32_t checksum = 0;
  for (std::size_t at = 0; at < 0x1fc; at += 4) {
    std::uint32_t word = 0;
    std::memcpy(&word, bytes.data() + at, 4);
    checksum ^= word;
  }
  Put32(bytes, 0x1fc, checksum);
  // One bin, holding the root key, its security cell and free space.
  const std::size_t bin = kBlock;
  std::memcpy(bytes.data() + bin, "hbin", 4);
  Put32(bytes, bin + 0x04, 0);
  Put32(bytes, bin + 0x08, kBlock);
  constexpr std::size_t kRoot = 0x20, kRootSize = 88, kSecurity = kRoot + kRootSize,
                        kSecuritySize = 48;
  const std::size_t nk = bin + kRoot;
  Put32(bytes, nk, static_cast<std::uint32_t>(-static_cast<std::int32_t>(kRootSize)));
  std::memcpy(bytes.data() + nk + 4, "nk", 2);
  Put16(bytes, nk + 6, 0x2c);               // the hive's root, not to be deleted, name in ASCII
  Put32(bytes, nk + 4 + 0x10, 0xffffffff);  // no parent
  Put32(bytes, nk + 4 + 0x1c, 0xffffffff);  // no subkeys
  Put32(bytes, nk + 4 + 0x20, 0xffffffff);
  Put32(bytes, nk + 4 + 0x28, 0xffffffff);  // no values
  Put32(bytes, nk + 4 + 0x2c, kSecurity);
  Put32(bytes, nk + 4 + 0x30, 0xffffffff);  // no class name
  Put16(bytes, nk + 4 + 0x48, 4);
  std::memcpy(bytes.data() + nk + 4 + 0x4c, "ROOT", 4);
  const std::size_t sk = bin + kSecurity;
  Put32(bytes, sk, static_cast<std::uint32_t>(-static_cast<std::int32_t>(kSecuritySize)));
  std::memcpy(bytes.data() + sk + 4, "sk", 2);
  Put32(bytes, sk + 4 + 0x04, kSecurity);  // the list of security cells: itself alone
  Put32(bytes, sk + 4 + 0x08, kSecurity);
  Put32(bytes, sk + 4 + 0x0c, 1);   // used by the root
  Put32(bytes, sk + 4 + 0x10, 20);  // an empty self-relative security descriptor
  bytes[sk + 4 + 0x14] = 1;
  Put16(bytes, sk + 4 + 0x16, 0x8000);
  const std::size_t freeCell = bin + kSecurity + kSecuritySize;
  Put32(bytes, freeCell, static_cast<std::uint32_t>(2 * kBlock - freeCell));
  std::ofstream(file, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void WriteHive(const std::filesystem::path& file, const platform::posix::WineHive& source,
               const std::vector<std::u16string_view>& keys) {
  WriteEmptyHive(file);
  {
    OpenHive open(file);
    for (const std::u16string_view path : keys) {
      const platform::posix::HiveKey* key = source.Find(path);
      if (key == nullptr)
        throw std::runtime_error("the source has no key " + platform::Utf16ToUtf8(path));
      // The key's parents first, empty.
      hive_node_h node = hivex_root(open.hive);
      std::size_t start = 0;
      for (;;) {
        std::size_t end = path.find(u'\\', start);
        const bool last = end == std::u16string_view::npos;
        if (last) end = path.size();
        const std::string name = platform::Utf16ToUtf8(path.substr(start, end - start));
        hive_node_h child = hivex_node_get_child(open.hive, node, name.c_str());
        if (child == 0) child = hivex_node_add_child(open.hive, node, name.c_str());
        if (child == 0) throw std::runtime_error("hivex cannot add the key " + name);
        node = child;
        if (last) break;
        start = end + 1;
      }
      CopyKey(open.hive, node, *key);
    }
    if (hivex_commit(open.hive, nullptr, 0) != 0)
      throw std::runtime_error("hivex cannot write " + file.string());
  }
}

}  // namespace quill::test

#include "platform/rescue/OfflineHive.h"

#include <hivex.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/Files.h"

namespace quill::platform::rescue {
namespace {

struct HiveCloser {
  void operator()(hive_h* hive) const { hivex_close(hive); }
};
using Hive = std::unique_ptr<hive_h, HiveCloser>;

// hivex hands out strings and arrays that the caller frees.
template <typename T>
struct Freed {
  T* data;
  ~Freed() { std::free(data); }
};

// The child of node with a name, compared without regard to letter case (hivex does so).
hive_node_h Child(hive_h* hive, hive_node_h node, const std::string& name) {
  return hivex_node_get_child(hive, node, name.c_str());
}

// The node at a path of names separated by '\', or 0.
hive_node_h Find(hive_h* hive, std::u16string_view path) {
  hive_node_h node = hivex_root(hive);
  std::size_t start = 0;
  while (node != 0 && start <= path.size()) {
    std::size_t end = path.find(u'\\', start);
    if (end == std::u16string_view::npos) end = path.size();
    node = Child(hive, node, Utf16ToUtf8(path.substr(start, end - start)));
    start = end + 1;
  }
  return node;
}

// Copies the values and subkeys of node into key, all the way down. False when hivex cannot
// read a part of them: the hive is damaged there.
bool CopyNode(hive_h* hive, hive_node_h node, posix::HiveKey& key) {
  const std::int64_t stamp = hivex_node_timestamp(hive, node);
  if (stamp > 0) key.setModified(static_cast<std::uint64_t>(stamp));
  const Freed<hive_value_h> values{hivex_node_values(hive, node)};
  if (values.data == nullptr) return false;
  for (const hive_value_h* value = values.data; *value != 0; ++value) {
    const Freed<char> name{hivex_value_key(hive, *value)};
    hive_type type{};
    std::size_t length = 0;
    const Freed<char> data{hivex_value_value(hive, *value, &type, &length)};
    if (name.data == nullptr || (data.data == nullptr && length != 0)) return false;
    // A value's type is any 32-bit number (0x10017 and the like), most of them outside the
    // enumeration hivex stores it in: its bytes are taken, never read as the enumeration.
    std::uint32_t typeNumber = 0;
    static_assert(sizeof(type) == sizeof(typeNumber));
    std::memcpy(&typeNumber, &type, sizeof typeNumber);
    key.SetValue({Utf8ToUtf16(name.data), typeNumber,
                  std::string(data.data == nullptr ? "" : data.data, length)});
  }
  const Freed<hive_node_h> children{hivex_node_children(hive, node)};
  if (children.data == nullptr) return false;
  for (const hive_node_h* child = children.data; *child != 0; ++child) {
    const Freed<char> name{hivex_node_name(hive, *child)};
    if (name.data == nullptr) return false;
    posix::HiveKey* sub = key.AddSubkey(Utf8ToUtf16(name.data), key.modified());
    if (!CopyNode(hive, *child, *sub)) return false;
  }
  return true;
}

}  // namespace

bool CopyHiveKeys(const std::filesystem::path& file, const std::vector<KeyCopy>& keys,
                  posix::WineHive& target, std::string& problem) {
  errno = 0;
  // Flags 0: read only. hivex never writes a file it did not open for writing.
  const Hive hive(hivex_open(file.c_str(), 0));
  const std::string name = PathText(file);
  if (!hive) {
    problem = errno == ENOENT ? "There is no registry hive " + name + "."
                              : "The registry hive " + name +
                                    " cannot be read: it is damaged, cut short or no registry "
                                    "hive at all (" +
                                    std::strerror(errno) + ").";
    return false;
  }
  for (const KeyCopy& copy : keys) {
    const hive_node_h node = Find(hive.get(), copy.from);
    if (node == 0) continue;
    posix::HiveKey* key = target.Create(copy.to, posix::NowTicks());
    if (!CopyNode(hive.get(), node, *key)) {
      problem = "The registry hive " + name + " is damaged below " + Utf16ToUtf8(copy.from) + ".";
      return false;
    }
  }
  return true;
}

}  // namespace quill::platform::rescue

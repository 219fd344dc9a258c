#include "registry/RegistryKeys.h"

#include <array>
#include <cctype>
#include <utility>

#include "platform/AnsiCodePage.h"
#include "platform/Text.h"

namespace quill::registry {
using namespace platform;

namespace {

constexpr std::uint32_t kNameBufferChars = 260;
constexpr std::uint32_t kValueBufferBytes = 255;

constexpr std::array<std::pair<const char*, HKey>, 7> kRoots = {{
    {"HKEY_CLASSES_ROOT", kHkeyClassesRoot},
    {"HKEY_CURRENT_USER", kHkeyCurrentUser},
    {"HKEY_LOCAL_MACHINE", kHkeyLocalMachine},
    {"HKEY_USERS", kHkeyUsers},
    {"HKEY_PERFORMANCE_DATA", kHkeyPerformanceData},
    {"HKEY_CURRENT_CONFIG", kHkeyCurrentConfig},
    {"HKEY_DYN_DATA", kHkeyDynData},
}};

// A handle that is closed when it goes out of scope.
class OpenKey {
 public:
  OpenKey(Registry& registry, HKey root, const std::string& subPath, std::uint32_t access)
      : registry_(registry), status_(registry.OpenKey(root, subPath, access, handle_)) {}
  ~OpenKey() {
    if (ok()) registry_.CloseKey(handle_);
  }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  bool ok() const { return status_ == winerr::kSuccess; }
  HKey handle() const { return handle_; }

 private:
  Registry& registry_;
  HKey handle_ = 0;
  long status_;
};

std::string TrimSpaces(std::string text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

bool SubKeyList::Contains(const std::string& name) const {
  for (const auto& entry : names_)
    if (platform::EqualIgnoringCase(entry, name)) return true;
  return false;
}

RegistryKeys::RegistryKeys(Registry& registry) : registry_(registry) {}

HKey RegistryKeys::GetRootKey(const std::string& rootName) {
  for (const auto& [name, handle] : kRoots)
    if (rootName == name) return handle;
  return 0;
}

KeyPath RegistryKeys::ParseKeyPath(const std::string& keyPath) const {
  if (keyPath.compare(0, 5, "HKEY_") != 0 || keyPath.back() == '\\') return KeyPath{0, {}, true};
  const std::size_t slash = keyPath.find('\\');
  if (slash == std::string::npos) return KeyPath{GetRootKey(keyPath), std::string()};
  return KeyPath{GetRootKey(keyPath.substr(0, slash)), keyPath.substr(slash + 1)};
}

bool RegistryKeys::KeyExists(const std::string& keyPath) {
  const KeyPath path = ParseKeyPath(keyPath);
  if (path.root == 0) return false;
  return OpenKey(registry_, path.root, path.subPath, kKeyRead).ok();
}

long RegistryKeys::CreateKey(const std::string& keyPath) {
  const KeyPath path = ParseKeyPath(keyPath);
  if (path.root == 0) return winerr::kInvalidHandle;
  HKey handle = 0;
  const long status = registry_.CreateKey(path.root, path.subPath, handle);
  if (status != winerr::kSuccess) return status;
  // Closing is where a registry kept in files writes the new key; a key that could not be
  // written does not exist afterwards.
  return registry_.CloseKey(handle);
}

void RegistryKeys::DeleteKey(const std::string& keyPath) {
  const KeyPath path = ParseKeyPath(keyPath);
  if (path.root == 0) return;
  const std::size_t slash = path.subPath.rfind('\\');
  const std::string parent =
      slash == std::string::npos ? std::string() : path.subPath.substr(0, slash);
  const std::string name =
      slash == std::string::npos ? path.subPath : path.subPath.substr(slash + 1);
  const OpenKey owner(registry_, path.root, parent, kKeyWrite);
  if (owner.ok()) registry_.DeleteKey(owner.handle(), name);
}

void RegistryKeys::DeleteKeyTree(const std::string& keyPath) {
  for (const std::string& name : GetSubKeys(keyPath)) DeleteKeyTree(keyPath + "\\" + name);
  DeleteKey(keyPath);
}

SubKeyList RegistryKeys::GetSubKeys(const std::string& keyPath) {
  SubKeyList list;
  const KeyPath path = ParseKeyPath(keyPath);
  if (path.root == 0) return list;
  const OpenKey key(registry_, path.root, path.subPath, kKeyRead);
  if (!key.ok()) return list;
  for (std::uint32_t index = 0;; ++index) {
    std::string name;
    if (registry_.EnumKey(key.handle(), index, kNameBufferChars, name) != winerr::kSuccess) break;
    const std::size_t nul = name.find('\0');
    list.Add(nul == std::string::npos ? name : name.substr(0, nul));
  }
  return list;
}

std::string RegistryKeys::GetStringValue(const std::string& keyPath, const std::string& valueName) {
  const KeyPath path = ParseKeyPath(keyPath);
  if (path.root == 0) return std::string();
  const OpenKey key(registry_, path.root, path.subPath, kKeyRead);
  if (!key.ok()) return kError;
  RegValue value;
  std::uint32_t size = 0;
  if (registry_.QueryValue(key.handle(), valueName, kValueBufferBytes, value, size) !=
      winerr::kSuccess)
    return kError;
  // The buffer holds the data as the ANSI call wrote it, whatever its type; the text is
  // the stored length less the terminating NUL.
  const std::string bytes = IsStringType(value.type) ? Utf8ToAnsi(value.data) : value.data;
  const std::string text = size == 0 ? std::string() : bytes.substr(0, size - 1);
  return TrimSpaces(AnsiToUtf8(text));
}

}  // namespace quill::registry

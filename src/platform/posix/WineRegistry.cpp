#include "platform/posix/WineRegistry.h"

#include <fstream>
#include <sstream>

#include "platform/AnsiCodePage.h"
#include "platform/Files.h"
#include "platform/posix/AtomicFile.h"

namespace quill::platform::posix {
namespace fs = std::filesystem;

namespace {

// A key or value name as the ANSI call hands it to the registry.
std::u16string RegistryName(const std::string& utf8) {
  return Utf8ToUtf16(AnsiRoundTrip(utf8));
}

// A name as the ANSI call hands it back.
std::string AnsiName(std::u16string_view name) {
  return AnsiRoundTrip(Utf16ToUtf8(name));
}

std::vector<std::u16string> SplitSubKey(const std::string& subKey) {
  std::vector<std::u16string> parts;
  const std::u16string wide = RegistryName(subKey);
  std::size_t start = 0;
  while (start <= wide.size()) {
    const std::size_t end = std::min(wide.find(u'\\', start), wide.size());
    if (end > start) parts.push_back(wide.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

// A stored value's data as the ANSI calls return it.
RegValue AnsiValue(const HiveValue& stored) {
  RegValue value{stored.type, stored.data};
  if (IsStringType(stored.type)) value.data = AnsiRoundTrip(Utf16ToUtf8(BytesToUtf16(stored.data)));
  return value;
}

std::uint32_t AnsiSize(const RegValue& value) {
  return static_cast<std::uint32_t>(IsStringType(value.type) ? Utf8ToAnsi(value.data).size()
                                                             : value.data.size());
}

}  // namespace

WineRegistry::WineRegistry(const WinePrefix& prefix) : prefix_(prefix) {
  hives_[kUser].file = prefix.userRegistryFile();
  hives_[kUser].relativeTo = "REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000";
  hives_[kMachine].file = prefix.systemRegistryFile();
  hives_[kMachine].relativeTo = "REGISTRY\\\\Machine";
}

WineRegistry::~WineRegistry() {
  Flush();
}

bool WineRegistry::Flush() {
  bool saved = true;
  for (HiveId id : {kUser, kMachine}) {
    if (hives_[id].dirty && Save(id) != winerr::kSuccess) saved = false;
  }
  return saved;
}

void WineRegistry::BeginChanges() {
  Flush();
  holding_ = true;
}

bool WineRegistry::EndChanges(bool keep) {
  holding_ = false;
  if (keep) return Flush();
  // Forgotten: the next read loads the file as it is on disk.
  for (HiveFile& hive : hives_) {
    if (!hive.dirty) continue;
    hive.dirty = false;
    hive.hive.reset();
  }
  return true;
}

std::optional<WineRegistry::Location> WineRegistry::Resolve(HKey key) const {
  switch (key) {
    case kHkeyCurrentUser:
      return Location{kUser, {}};
    case kHkeyLocalMachine:
      return Location{kMachine, {}};
    case kHkeyClassesRoot:
      return Location{kMachine, {u"Software", u"Classes"}};
    default:
      break;
  }
  const auto it = handles_.find(key);
  if (it == handles_.end()) return std::nullopt;
  return it->second;
}

WineRegistry::HiveFile& WineRegistry::Load(HiveId id) {
  HiveFile& hive = hives_[id];
  if (hive.dirty) return hive;  // changes not yet saved are the current state
  std::error_code error;
  const bool exists = fs::exists(hive.file, error);
  if (!exists) {
    if (!hive.hive || hive.loadedStamp || hive.damaged) {
      hive.hive.emplace(hive.relativeTo);
      hive.loadedStamp.reset();
      hive.damaged = false;
    }
    return hive;
  }
  const auto stamp = fs::last_write_time(hive.file, error);
  const auto size = fs::file_size(hive.file, error);
  if (hive.hive && hive.loadedStamp == stamp && hive.loadedSize == size) return hive;

  std::ifstream in(hive.file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  std::string problem;
  auto parsed = in ? WineHive::Parse(text.str(), &problem) : std::nullopt;
  hive.damaged = !parsed.has_value();
  hive.hive = parsed ? std::move(parsed) : std::optional<WineHive>(WineHive(hive.relativeTo));
  if (hive.damaged) {
    lastProblem_ = PathText(hive.file) + " is not a registry file Wine can read (" + problem +
                   "); it is left as it is.";
  }
  hive.loadedStamp = stamp;
  hive.loadedSize = size;
  return hive;
}

HiveKey* WineRegistry::Find(const Location& location) {
  HiveKey* key = &Load(location.hive).hive->root();
  for (const auto& part : location.path) {
    key = key->FindSubkey(part);
    if (key == nullptr) return nullptr;
  }
  return key;
}

long WineRegistry::Refuse(HiveId id) {
  HiveFile& hive = hives_[id];
  if (prefix_.ServerRunning()) {
    lastProblem_ = "Wine is running in " + PathText(prefix_.root()) +
                   " and owns its registry; close the programs running there (or run "
                   "\"wineserver -k\") and try again. Nothing was changed.";
    return winerr::kSharingViolation;
  }
  if (hive.damaged) {
    lastProblem_ = PathText(hive.file) +
                   " is not a registry file Wine can read; it is left as it is and nothing "
                   "was changed.";
    return winerr::kBadDb;
  }
  return winerr::kSuccess;
}

HKey WineRegistry::NewHandle(Location location) {
  const HKey handle = nextHandle_;
  nextHandle_ += 4;
  handles_.emplace(handle, std::move(location));
  return handle;
}

long WineRegistry::OpenKey(HKey parent, const std::string& subKey, std::uint32_t /*access*/,
                           HKey& result) {
  auto location = Resolve(parent);
  if (!location) return winerr::kInvalidHandle;
  HiveKey* key = Find(*location);
  if (key == nullptr) return winerr::kKeyDeleted;
  for (auto& part : SplitSubKey(subKey)) {
    key = key->FindSubkey(part);
    if (key == nullptr) return winerr::kFileNotFound;
    location->path.push_back(key->name());
  }
  result = NewHandle(std::move(*location));
  return winerr::kSuccess;
}

long WineRegistry::CreateKey(HKey parent, const std::string& subKey, HKey& result) {
  auto location = Resolve(parent);
  if (!location) return winerr::kInvalidHandle;
  HiveKey* key = Find(*location);
  if (key == nullptr) return winerr::kKeyDeleted;
  const auto parts = SplitSubKey(subKey);
  std::size_t existing = 0;
  for (; existing < parts.size(); ++existing) {
    HiveKey* next = key->FindSubkey(parts[existing]);
    if (next == nullptr) break;
    key = next;
    location->path.push_back(key->name());
  }
  if (existing < parts.size()) {
    if (const long refused = Refuse(location->hive); refused != winerr::kSuccess) return refused;
    const std::uint64_t now = NowTicks();
    key->setModified(now);
    for (std::size_t i = existing; i < parts.size(); ++i) {
      key = key->AddSubkey(parts[i], now);
      location->path.push_back(key->name());
    }
    hives_[location->hive].dirty = true;
  }
  result = NewHandle(std::move(*location));
  return winerr::kSuccess;
}

long WineRegistry::CloseKey(HKey key) {
  const auto it = handles_.find(key);
  if (it == handles_.end()) return winerr::kInvalidHandle;
  const HiveId id = it->second.hive;
  handles_.erase(it);
  return hives_[id].dirty && !holding_ ? Save(id) : winerr::kSuccess;
}

long WineRegistry::EnumKey(HKey key, std::uint32_t index, std::uint32_t bufferChars,
                           std::string& name) {
  const auto location = Resolve(key);
  if (!location) return winerr::kInvalidHandle;
  const HiveKey* found = Find(*location);
  if (found == nullptr) return winerr::kKeyDeleted;
  if (index >= found->subkeys().size()) return winerr::kNoMoreItems;
  const std::string text = AnsiName(found->subkeys()[index]->name());
  if (Utf8ToAnsi(text).size() >= bufferChars) return winerr::kMoreData;
  name = text;
  return winerr::kSuccess;
}

long WineRegistry::EnumValue(HKey key, std::uint32_t index, std::string& name, StoredValue& value) {
  const auto location = Resolve(key);
  if (!location) return winerr::kInvalidHandle;
  const HiveKey* found = Find(*location);
  if (found == nullptr) return winerr::kKeyDeleted;
  if (index >= found->values().size()) return winerr::kNoMoreItems;
  const HiveValue& stored = found->values()[index];
  name = AnsiName(stored.name);
  value = {stored.type, stored.data};
  return winerr::kSuccess;
}

long WineRegistry::QueryValue(HKey key, const std::string& name, std::uint32_t bufferBytes,
                              RegValue& value, std::uint32_t& ansiSize) {
  const auto location = Resolve(key);
  if (!location) return winerr::kInvalidHandle;
  const HiveKey* found = Find(*location);
  if (found == nullptr) return winerr::kKeyDeleted;
  const HiveValue* stored = found->FindValue(RegistryName(name));
  if (stored == nullptr) return winerr::kFileNotFound;
  RegValue result = AnsiValue(*stored);
  ansiSize = AnsiSize(result);
  value = RegValue{};
  if (ansiSize > bufferBytes) return winerr::kMoreData;
  value = std::move(result);
  return winerr::kSuccess;
}

long WineRegistry::SetValue(HKey key, const std::string& name, const RegValue& value) {
  StoredValue stored{value.type, value.data};
  if (IsStringType(value.type)) stored.bytes = Utf16ToBytes(RegistryName(value.data));
  return SetStoredValue(key, name, stored);
}

long WineRegistry::SetStoredValue(HKey key, const std::string& name, const StoredValue& value) {
  const auto location = Resolve(key);
  if (!location) return winerr::kInvalidHandle;
  HiveKey* found = Find(*location);
  if (found == nullptr) return winerr::kKeyDeleted;
  if (const long refused = Refuse(location->hive); refused != winerr::kSuccess) return refused;
  found->SetValue({RegistryName(name), value.type, value.bytes});
  found->setModified(NowTicks());
  hives_[location->hive].dirty = true;
  return winerr::kSuccess;
}

long WineRegistry::DeleteKey(HKey parent, const std::string& subKey) {
  auto location = Resolve(parent);
  if (!location) return winerr::kInvalidHandle;
  HiveKey* owner = Find(*location);
  if (owner == nullptr) return winerr::kKeyDeleted;
  const auto parts = SplitSubKey(subKey);
  if (parts.empty()) return winerr::kAccessDenied;
  for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
    owner = owner->FindSubkey(parts[i]);
    if (owner == nullptr) return winerr::kFileNotFound;
  }
  const HiveKey* target = owner->FindSubkey(parts.back());
  if (target == nullptr) return winerr::kFileNotFound;
  if (!target->subkeys().empty()) return winerr::kAccessDenied;
  if (const long refused = Refuse(location->hive); refused != winerr::kSuccess) return refused;
  owner->RemoveSubkey(parts.back());
  owner->setModified(NowTicks());
  hives_[location->hive].dirty = true;
  return holding_ ? winerr::kSuccess : Save(location->hive);
}

long WineRegistry::DeleteValue(HKey key, const std::string& name) {
  const auto location = Resolve(key);
  if (!location) return winerr::kInvalidHandle;
  HiveKey* found = Find(*location);
  if (found == nullptr) return winerr::kKeyDeleted;
  if (found->FindValue(RegistryName(name)) == nullptr) return winerr::kFileNotFound;
  if (const long refused = Refuse(location->hive); refused != winerr::kSuccess) return refused;
  found->RemoveValue(RegistryName(name));
  found->setModified(NowTicks());
  hives_[location->hive].dirty = true;
  return winerr::kSuccess;
}

long WineRegistry::Save(HiveId id) {
  HiveFile& hive = hives_[id];
  const auto discard = [&](long code, std::string problem) {
    // What could not be saved is dropped, so that what the program sees is what is on disk.
    lastProblem_ = std::move(problem);
    hive.dirty = false;
    hive.hive.reset();
    return code;
  };
  if (const long refused = Refuse(id); refused != winerr::kSuccess)
    return discard(refused, lastProblem_);

  std::string problem;
  if (!ReplaceFile(hive.file, hive.hive->Serialize(), &problem))
    return discard(winerr::kWriteFault, "Could not save " + PathText(hive.file) + ": " + problem);
  std::error_code error;
  hive.loadedStamp = fs::last_write_time(hive.file, error);
  hive.loadedSize = fs::file_size(hive.file, error);
  hive.dirty = false;
  return winerr::kSuccess;
}

}  // namespace quill::platform::posix

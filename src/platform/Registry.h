#pragma once
// The Windows registry as the program sees it through the ANSI entry points.
//
// All text in the program is UTF-8. "ANSI" here means what the ...A calls make of it:
// names and string data pass through the system's ANSI code page, so characters outside
// it come back as '?', and sizes are counted in code-page bytes. Values are copied exactly
// (the registry text of a backup) through EnumValue and SetStoredValue, whose data is what
// the registry stores, as the ...W calls see it; their names pass the code page all the same.

#include <cstdint>
#include <string>

namespace quill::platform {

using HKey = std::uintptr_t;

inline constexpr HKey kHkeyClassesRoot = 0x80000000;
inline constexpr HKey kHkeyCurrentUser = 0x80000001;
inline constexpr HKey kHkeyLocalMachine = 0x80000002;
inline constexpr HKey kHkeyUsers = 0x80000003;
inline constexpr HKey kHkeyPerformanceData = 0x80000004;
inline constexpr HKey kHkeyCurrentConfig = 0x80000005;
inline constexpr HKey kHkeyDynData = 0x80000006;

inline constexpr std::uint32_t kKeyRead = 0x20019;
inline constexpr std::uint32_t kKeyWrite = 0x20006;
inline constexpr std::uint32_t kKeyAllAccess = 0xF003F;

// Windows error codes the registry calls return.
namespace winerr {
inline constexpr long kSuccess = 0;
inline constexpr long kFileNotFound = 2;
inline constexpr long kAccessDenied = 5;
inline constexpr long kInvalidHandle = 6;
inline constexpr long kWriteFault = 29;
inline constexpr long kSharingViolation = 32;
inline constexpr long kInvalidParameter = 87;
inline constexpr long kMoreData = 234;
inline constexpr long kNoMoreItems = 259;
inline constexpr long kBadDb = 1009;
inline constexpr long kKeyDeleted = 1018;
}  // namespace winerr

// Registry value types.
namespace regtype {
inline constexpr std::uint32_t kNone = 0;
inline constexpr std::uint32_t kSz = 1;
inline constexpr std::uint32_t kExpandSz = 2;
inline constexpr std::uint32_t kBinary = 3;
inline constexpr std::uint32_t kDword = 4;
inline constexpr std::uint32_t kDwordBigEndian = 5;
inline constexpr std::uint32_t kLink = 6;
inline constexpr std::uint32_t kMultiSz = 7;
inline constexpr std::uint32_t kQword = 11;
}  // namespace regtype

inline bool IsStringType(std::uint32_t type) {
  return type == regtype::kSz || type == regtype::kExpandSz || type == regtype::kMultiSz;
}

// One value's data. For the string types the data is UTF-8 text holding the NUL
// characters the registry stores (the terminating one included); for every other type
// it is the raw bytes.
struct RegValue {
  std::uint32_t type = regtype::kNone;
  std::string data;
};

// One value's data as the registry stores it: for the string types UTF-16LE code units with
// whatever NULs, odd last byte or other irregularity they hold; for every type its bytes,
// of any length.
struct StoredValue {
  std::uint32_t type = regtype::kNone;
  std::string bytes;
};

class Registry {
 public:
  virtual ~Registry() = default;

  // RegOpenKeyExA. An empty sub-key opens the key itself again.
  virtual long OpenKey(HKey parent, const std::string& subKey, std::uint32_t access,
                       HKey& result) = 0;
  // RegCreateKeyExA: creates every missing key on the way, or opens the key.
  virtual long CreateKey(HKey parent, const std::string& subKey, HKey& result) = 0;
  virtual long CloseKey(HKey key) = 0;
  // RegEnumKeyExA with a name buffer of bufferChars characters (the NUL included):
  // a longer name gives kMoreData, an index past the end kNoMoreItems.
  virtual long EnumKey(HKey key, std::uint32_t index, std::uint32_t bufferChars,
                       std::string& name) = 0;
  // The value at index, with buffers large enough for any name and data: the name as
  // RegEnumValueA gives it, type and data as RegEnumValueW gives them.
  virtual long EnumValue(HKey key, std::uint32_t index, std::string& name, StoredValue& value) = 0;
  // RegQueryValueExA into a data buffer of bufferBytes bytes. ansiSize receives the size
  // the ANSI call reports (code-page bytes for string types); data that does not fit gives
  // kMoreData and leaves value empty.
  virtual long QueryValue(HKey key, const std::string& name, std::uint32_t bufferBytes,
                          RegValue& value, std::uint32_t& ansiSize) = 0;
  // RegSetValueExA.
  virtual long SetValue(HKey key, const std::string& name, const RegValue& value) = 0;
  // RegSetValueExW with the data exactly as given, a string without its terminating NUL
  // included; the name passes the code page as in SetValue.
  virtual long SetStoredValue(HKey key, const std::string& name, const StoredValue& value) = 0;
  // RegDeleteKeyA: fails with kAccessDenied when the key has subkeys.
  virtual long DeleteKey(HKey parent, const std::string& subKey) = 0;
  virtual long DeleteValue(HKey key, const std::string& name) = 0;

  // The changes made from BeginChanges up to EndChanges reach the registry as one: all kept
  // (keep true) or all dropped. EndChanges is false when that could not be done; changes that
  // could not be kept are then all dropped. A registry that cannot hold changes back keeps
  // each one as it is made, and can drop none.
  virtual void BeginChanges() {}
  virtual bool EndChanges(bool keep) { return keep; }
};

}  // namespace quill::platform

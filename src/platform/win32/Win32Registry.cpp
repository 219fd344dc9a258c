#include "platform/win32/Win32Registry.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <limits>
#include <new>
#include <string>
#include <utility>

#include "platform/AnsiCodePage.h"
#include "platform/win32/WindowsApi.h"

namespace quill::platform::win32 {
namespace {

// The predefined keys are written 0x80000000.. in the program, while Windows defines
// them as (HKEY)(LONG)0x8000000n: sign-extended on 64-bit Windows. Handles of opened
// keys are small numbers and pass through unchanged.
constexpr std::uint64_t kLow32 = 0xFFFFFFFFu;
constexpr std::uint64_t kPredefinedBit = 0x80000000u;

HKEY ToHkey(HKey key) {
  const auto value = static_cast<std::uint64_t>(key);
  if ((value & ~kLow32) == 0 && (value & kPredefinedBit) != 0) {
    const auto sign = static_cast<LONG>(static_cast<DWORD>(value));
    return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(sign));
  }
  return reinterpret_cast<HKEY>(key);
}

HKey FromHkey(HKEY key) {
  const auto value = static_cast<std::uint64_t>(reinterpret_cast<ULONG_PTR>(key));
  if ((value & ~kLow32) == ~kLow32 && (value & kPredefinedBit) != 0) {
    return static_cast<HKey>(value & kLow32);
  }
  return static_cast<HKey>(value);
}

// The program has always been a 32-bit program and read the 32-bit view of the machine
// keys (SOFTWARE\WOW6432Node on 64-bit Windows), where the 32-bit mail client registers
// itself. Every key is opened, created and deleted in that view, whatever this build's
// own width; on 32-bit Windows the flag is ignored.
constexpr REGSAM kView = KEY_WOW64_32KEY;

BYTE* Bytes(std::string& buffer) {
  return reinterpret_cast<BYTE*>(buffer.data());
}

// Registry data as the program holds it: string types as UTF-8 with their NULs, every
// other type as the raw bytes.
std::string DataFromAnsi(DWORD type, std::string raw) {
  return IsStringType(type) ? AnsiToUtf8(raw) : raw;
}

// Value enumeration grows its buffers until name and data fit. A name has at most
// 16383 UTF-16 characters, three code-page bytes each at worst; data beyond the data
// limit is reported with the registry's own ERROR_MORE_DATA.
constexpr std::size_t kInitialNameChars = 256;
constexpr std::size_t kInitialDataBytes = 1024;
constexpr std::size_t kLargestName = 64 * 1024;
constexpr std::size_t kLargestWideName = 16 * 1024;
constexpr std::size_t kLargestData = 256 * 1024 * 1024;

// A name as RegSetValueExA hands it on: its code-page bytes widened through the code page.
std::wstring AnsiNameToWide(const std::string& utf8) {
  const std::string ansi = Utf8ToAnsi(utf8);
  if (ansi.empty()) return {};
  const int length = static_cast<int>(std::min<std::size_t>(ansi.size(), INT_MAX));
  const int wideLength = MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, nullptr, 0);
  if (wideLength <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, wide.data(), wideLength);
  return wide;
}

std::size_t Grown(std::size_t size, std::size_t wanted, std::size_t largest) {
  return std::min(std::max(size * 2, wanted), largest);
}

}  // namespace

long Win32Registry::OpenKey(HKey parent, const std::string& subKey, std::uint32_t access,
                            HKey& result) {
  HKEY opened = nullptr;
  const LONG status =
      RegOpenKeyExA(ToHkey(parent), Utf8ToAnsi(subKey).c_str(), 0, access | kView, &opened);
  result = status == ERROR_SUCCESS ? FromHkey(opened) : 0;
  return status;
}

long Win32Registry::CreateKey(HKey parent, const std::string& subKey, HKey& result) {
  // MAXIMUM_ALLOWED opens an existing key the user may only read, as RegCreateKeyA does.
  HKEY created = nullptr;
  const LONG status =
      RegCreateKeyExA(ToHkey(parent), Utf8ToAnsi(subKey).c_str(), 0, nullptr,
                      REG_OPTION_NON_VOLATILE, MAXIMUM_ALLOWED | kView, nullptr, &created, nullptr);
  result = status == ERROR_SUCCESS ? FromHkey(created) : 0;
  return status;
}

long Win32Registry::CloseKey(HKey key) {
  return RegCloseKey(ToHkey(key));
}

long Win32Registry::EnumKey(HKey key, std::uint32_t index, std::uint32_t bufferChars,
                            std::string& name) {
  name.clear();
  std::string buffer(bufferChars, '\0');
  DWORD length = bufferChars;
  const LONG status =
      RegEnumKeyExA(ToHkey(key), index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
  if (status == ERROR_SUCCESS) {
    buffer.resize(std::min<std::size_t>(length, buffer.size()));
    name = AnsiToUtf8(buffer);
  }
  return status;
}

long Win32Registry::EnumValue(HKey key, std::uint32_t index, std::string& name,
                              StoredValue& value) {
  name.clear();
  value = StoredValue{};
  try {
    // Type and data through the wide call: string data as the registry holds it.
    std::wstring wideName(kInitialNameChars, L'\0');
    std::string data(kInitialDataBytes, '\0');
    for (;;) {
      DWORD nameLength = static_cast<DWORD>(wideName.size());
      DWORD dataSize = static_cast<DWORD>(data.size());
      DWORD type = REG_NONE;
      const LONG status = RegEnumValueW(ToHkey(key), index, wideName.data(), &nameLength, nullptr,
                                        &type, Bytes(data), &dataSize);
      if (status == ERROR_SUCCESS) {
        data.resize(std::min<std::size_t>(dataSize, data.size()));
        value = StoredValue{type, std::move(data)};
        break;
      }
      if (status != ERROR_MORE_DATA) return status;
      // The call does not say which buffer was short: grow both, up to their limits.
      if (wideName.size() >= kLargestWideName && data.size() >= kLargestData) return status;
      wideName.resize(Grown(wideName.size(), 0, kLargestWideName));
      data.resize(Grown(data.size(), dataSize, kLargestData));
    }
    // The name through the ANSI call, as every other call of the program names the value.
    std::string nameBuffer(kInitialNameChars, '\0');
    for (;;) {
      DWORD nameLength = static_cast<DWORD>(nameBuffer.size());
      const LONG status = RegEnumValueA(ToHkey(key), index, nameBuffer.data(), &nameLength, nullptr,
                                        nullptr, nullptr, nullptr);
      if (status == ERROR_SUCCESS) {
        nameBuffer.resize(std::min<std::size_t>(nameLength, nameBuffer.size()));
        name = AnsiToUtf8(nameBuffer);
        return status;
      }
      if (status != ERROR_MORE_DATA || nameBuffer.size() >= kLargestName) {
        value = StoredValue{};
        return status;
      }
      nameBuffer.resize(Grown(nameBuffer.size(), 0, kLargestName));
    }
  } catch (const std::bad_alloc&) {
    name.clear();
    value = StoredValue{};
    return ERROR_NOT_ENOUGH_MEMORY;
  }
}

long Win32Registry::QueryValue(HKey key, const std::string& name, std::uint32_t bufferBytes,
                               RegValue& value, std::uint32_t& ansiSize) {
  value = RegValue{};
  ansiSize = 0;
  const std::string ansiName = Utf8ToAnsi(name);
  try {
    // The buffer starts small and grows to what the value needs, up to bufferBytes, so that
    // a generous limit does not cost that much memory for every small value; the last try is
    // always with the caller's whole buffer, as one call with it would be. The pointer is
    // never null, even for zero bytes: a null one would turn the query into a size request
    // that succeeds whatever the data.
    std::string data(std::min<std::size_t>(bufferBytes, kInitialDataBytes), '\0');
    for (;;) {
      DWORD size = static_cast<DWORD>(data.size());
      DWORD type = REG_NONE;
      const LONG status =
          RegQueryValueExA(ToHkey(key), ansiName.c_str(), nullptr, &type, Bytes(data), &size);
      if (status == ERROR_SUCCESS) {
        ansiSize = size;
        data.resize(std::min<std::size_t>(size, data.size()));
        value.type = type;
        value.data = DataFromAnsi(type, std::move(data));
        return status;
      }
      if (status != ERROR_MORE_DATA) return status;
      if (data.size() >= bufferBytes) {
        ansiSize = size;
        return status;
      }
      data.resize(std::min<std::size_t>(std::max<std::size_t>(size, data.size() * 2), bufferBytes));
    }
  } catch (const std::bad_alloc&) {
    value = RegValue{};
    return ERROR_NOT_ENOUGH_MEMORY;
  }
}

long Win32Registry::SetValue(HKey key, const std::string& name, const RegValue& value) {
  std::string data = IsStringType(value.type) ? Utf8ToAnsi(value.data) : value.data;
  if constexpr (sizeof(std::size_t) > sizeof(DWORD)) {
    if (data.size() > std::numeric_limits<DWORD>::max()) return ERROR_INVALID_PARAMETER;
  }
  return RegSetValueExA(ToHkey(key), Utf8ToAnsi(name).c_str(), 0, value.type, Bytes(data),
                        static_cast<DWORD>(data.size()));
}

long Win32Registry::SetStoredValue(HKey key, const std::string& name, const StoredValue& value) {
  if constexpr (sizeof(std::size_t) > sizeof(DWORD)) {
    if (value.bytes.size() > std::numeric_limits<DWORD>::max() - 4) return ERROR_INVALID_PARAMETER;
  }
  const std::wstring wideName = AnsiNameToWide(name);
  // RegSetValueExW adds a terminating NUL to a string whose last character is not one when a
  // NUL follows the data in memory, and looks one character before data that is shorter than
  // one. Two bytes that are not NUL on either side keep the data exactly as given.
  std::string padded = "\xff\xff" + value.bytes + "\xff\xff";
  return RegSetValueExW(ToHkey(key), wideName.c_str(), 0, value.type, Bytes(padded) + 2,
                        static_cast<DWORD>(value.bytes.size()));
}

long Win32Registry::DeleteKey(HKey parent, const std::string& subKey) {
  // RegDeleteKeyA with the view: the same call, in the same view as the opens.
  return RegDeleteKeyExA(ToHkey(parent), Utf8ToAnsi(subKey).c_str(), kView, 0);
}

long Win32Registry::DeleteValue(HKey key, const std::string& name) {
  return RegDeleteValueA(ToHkey(key), Utf8ToAnsi(name).c_str());
}

}  // namespace quill::platform::win32

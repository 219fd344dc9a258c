#include "disc/imapi/ServiceErrors.h"

#include <cstdint>
#include <cstdio>

namespace quill::disc {

namespace {

// The service's texts are its own; where it gave none, these say what the code means.
std::string TextOf(const ServiceFailure& failure) {
  if (!failure.text.empty()) return failure.text;
  switch (failure.code) {
    case hresult::kNoMedia:
      return "There is no medium in the drive.";
    case hresult::kMediaWriteProtected:
      return "The medium is write-protected.";
    case hresult::kImageTooLarge:
      return "The image is larger than the room left on the medium.";
    case hresult::kMediaNotBlank:
      return "The medium is not blank.";
    case hresult::kMediaNotSupported:
    case hresult::kEraseMediaNotSupported:
      return "The drive cannot do this with the medium in it.";
    case hresult::kLossOfStreaming:
      return "The drive ran out of data while writing (buffer underrun).";
    default:
      return "The disc-writing service failed.";
  }
}

// Device errors carry the code as the message box shows it: the HRESULT's 32 bits.
int DisplayCode(long code) {
  return static_cast<int>(static_cast<std::int32_t>(static_cast<std::uint32_t>(code)));
}

}  // namespace

std::string HexCode(long code) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X",
                static_cast<unsigned>(static_cast<std::uint32_t>(code)));
  return text;
}

bool IsDeviceFault(long code) {
  const auto value = static_cast<std::uint32_t>(code);
  // The recorder's media and command failures, and the device's response failures.
  return (value & 0xFFFFFF00u) == 0xC0AA0200u || (value & 0xFFFFFF00u) == 0xC0AA0300u;
}

EngineError WriteFailureError(const ServiceFailure& failure, const std::string& deviceName) {
  const std::string text = TextOf(failure) + " (" + HexCode(failure.code) + ")";
  if (!failure.path.empty())
    return EngineError{3, text, {}, FileError{DisplayCode(failure.code), text, failure.path}, 0};
  if (IsDeviceFault(failure.code))
    return EngineError{
        1, text, DeviceError{DisplayCode(failure.code), text, deviceName, "write"}, {}, 0};
  return EngineError{4, text, {}, {}, 0};
}

DeviceError EraseFailureError(const ServiceFailure& failure, const std::string& deviceName) {
  return DeviceError{DisplayCode(failure.code),
                     TextOf(failure) + " (" + HexCode(failure.code) + ")", deviceName, "erase"};
}

}  // namespace quill::disc

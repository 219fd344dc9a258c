#pragma once
// The disc-writing service's failure codes the engine tells apart, and how a failure is
// reported: as a device error, a source file error or a write error.

#include <string>

#include "disc/DiscEngine.h"
#include "disc/imapi/DiscService.h"

namespace quill::disc {

namespace hresult {
inline constexpr long kRequestCancelled = static_cast<long>(0xC0AA0002);
inline constexpr long kNoMedia = static_cast<long>(0xC0AA0202);
inline constexpr long kMediaWriteProtected = static_cast<long>(0xC0AA0209);
inline constexpr long kLossOfStreaming = static_cast<long>(0xC0AA0300);
inline constexpr long kUnexpectedDeviceResponse = static_cast<long>(0xC0AA0301);
inline constexpr long kImageTooLarge = static_cast<long>(0xC0AA0404);
inline constexpr long kMediaNotBlank = static_cast<long>(0xC0AA0405);
inline constexpr long kMediaNotSupported = static_cast<long>(0xC0AA0406);
inline constexpr long kEraseMediaNotSupported = static_cast<long>(0xC0AA0909);
}  // namespace hresult

// True for the codes of a drive that failed while it worked (the service's recorder and
// device ranges), as against a medium or an image it refused.
bool IsDeviceFault(long code);

// The failure of a write as the window reports it: a source file error when a file of the
// image could not be read, a device error when the drive failed, else a write error. The
// text names the code in hexadecimal, as Windows' own messages do.
EngineError WriteFailureError(const ServiceFailure& failure, const std::string& deviceName);

// The failure of an erase, for the DeviceFault event.
DeviceError EraseFailureError(const ServiceFailure& failure, const std::string& deviceName);

// "0xC0AA0404".
std::string HexCode(long code);

}  // namespace quill::disc

// A Wine registry file: parsing never crashes, and what parses saves to text that parses to
// the same text again.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/posix/WineHive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto hive = quill::platform::posix::WineHive::Parse(text);
  if (!hive) return 0;
  const std::string saved = hive->Serialize();
  const auto again = quill::platform::posix::WineHive::Parse(saved);
  if (!again || again->Serialize() != saved) std::abort();
  return 0;
}

// A descriptor: any text reads into lists of names without a crash.

#include <cstdint>

#include <string_view>

#include "archive/Descriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto contents = quill::archive::Descriptor::Parse(
      std::string_view(reinterpret_cast<const char*>(data), size));
  for (const auto& names : contents.entries)
    for (const auto& name : names)
      if (name.empty()) __builtin_trap();
  return 0;
}

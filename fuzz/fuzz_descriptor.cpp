// A descriptor: any text is refused by the reading limits or reads into lists of names
// without a crash, and what is read stays within the limits.

#include <cstdint>
#include <string_view>

#include "archive/Descriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const bool refused = !quill::archive::Descriptor::LimitProblem(bytes).empty();
  const auto contents = quill::archive::Descriptor::Parse(bytes);
  for (const auto& names : contents.entries) {
    if (!refused && names.size() > quill::archive::kNamesPerItem) __builtin_trap();
    for (const auto& name : names)
      if (name.empty()) __builtin_trap();
  }
  return 0;
}

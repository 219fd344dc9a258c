// A descriptor: any text reads into lists of names without a crash.

#include <cstdint>

#include "FuzzFile.h"
#include "archive/Descriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string file = quill::fuzz::WriteInput(data, size, "stowinfo.dat");
  const auto contents = quill::archive::ReadDescriptor(file);
  for (const auto& names : contents.entries)
    for (const auto& name : names)
      if (name.empty()) __builtin_trap();
  return 0;
}

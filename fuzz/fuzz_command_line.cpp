// The unattended command line: any text parses or is refused, never a crash.

#include <cstdint>
#include <string>

#include "automation/UnattendedBackup.h"
#include "platform/CommandLine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string line(reinterpret_cast<const char*>(data), size);
  const auto command = quill::automation::ParseUnattendedCommandLine(line);
  if (command && (command->mask.empty() || command->file.empty())) __builtin_trap();
  (void)quill::platform::ArgumentsOf(line);
  return 0;
}

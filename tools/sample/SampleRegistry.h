#pragma once
// The registry files of the sample prefix: those of a freshly made Wine prefix, moved to
// the chosen user, with the mail client's settings added.

#include <cstdint>
#include <string>
#include <string_view>

namespace quill::sample {

struct SampleRegistryFiles {
  std::string user;    // user.reg
  std::string system;  // system.reg
};

// Builds both files. Keys that are added or changed carry the time stamp modifiedTicks
// (Windows file-time ticks). Throws std::runtime_error when the built-in files do not
// parse.
SampleRegistryFiles BuildSampleRegistry(std::string_view userName, std::uint64_t modifiedTicks);

// The folder the mail client's App Paths registration names, below drive C.
inline constexpr std::string_view kMailProgramFolder = "Program Files (x86)/Windows Live/Mail";

}  // namespace quill::sample

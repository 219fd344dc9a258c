#pragma once
// The command line of quillstow-sample:
//   quillstow-sample DIR [--size BYTES] [--seed N] [--user NAME]

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "SampleProfile.h"

namespace quill::sample {

struct SampleCommandLine {
  SampleOptions options;
  bool help = false;
  std::string error;  // set when the arguments are unusable
};

// Parses the arguments (without the program name). defaultUser stands in when --user is
// not given.
SampleCommandLine ParseSampleCommandLine(const std::vector<std::string>& arguments,
                                         std::string_view defaultUser);

// A byte count: decimal digits, optionally followed by K, M or G (powers of 1024).
std::optional<std::uint64_t> ParseByteCount(std::string_view text);

std::string SampleUsage();

}  // namespace quill::sample

#pragma once
// A complete Wine prefix holding a Windows Live Mail profile, made up but realistic, for
// tests and benchmarks. The same options give a byte-identical tree.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace quill::sample {

struct SampleOptions {
  std::filesystem::path directory;                   // the prefix; must be missing or empty
  std::uint64_t messageBytes = 20ULL * 1024 * 1024;  // the .eml files add up to at least this
  std::uint64_t seed = 1;
  std::string user;  // UTF-8; the Wine user whose profile folder is made
  // The prefix's links to its drives (dosdevices/c: and z:); a tree made on Windows, where
  // the registry files only serve as a source of keys, does without them.
  bool driveLinks = true;
};

struct SampleSummary {
  std::uint64_t files = 0;
  std::uint64_t directories = 0;
  std::uint64_t links = 0;
  std::uint64_t bytes = 0;  // all files
  std::uint64_t messages = 0;
  std::uint64_t messageBytes = 0;  // the .eml files
};

// Writes the prefix. Throws std::runtime_error when the options are unusable (the folder is
// not empty, the user name cannot name a folder) or when writing fails; a folder it had to
// create is then removed again, as is everything it wrote into an empty one.
SampleSummary WriteSampleProfile(const SampleOptions& options);

// Why the name cannot be a profile folder name, or nothing when it can.
std::optional<std::string> CheckUserName(std::string_view name);

// The login name of the calling user, as Wine names the profile folder; empty when the
// system knows none.
std::string CallerUserName();

}  // namespace quill::sample

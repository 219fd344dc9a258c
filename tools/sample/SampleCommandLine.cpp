#include "SampleCommandLine.h"

#include <charconv>

namespace quill::sample {
namespace {

std::optional<std::uint64_t> ParseNumber(std::string_view text) {
  std::uint64_t value = 0;
  if (text.empty() || text[0] < '0' || text[0] > '9') return std::nullopt;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace

std::optional<std::uint64_t> ParseByteCount(std::string_view text) {
  std::uint64_t unit = 1;
  if (!text.empty()) {
    switch (text.back()) {
      case 'K':
      case 'k':
        unit = 1ULL << 10;
        break;
      case 'M':
      case 'm':
        unit = 1ULL << 20;
        break;
      case 'G':
      case 'g':
        unit = 1ULL << 30;
        break;
      default:
        break;
    }
    if (unit != 1) text.remove_suffix(1);
  }
  const auto number = ParseNumber(text);
  if (!number || *number > UINT64_MAX / unit) return std::nullopt;
  return *number * unit;
}

std::string SampleUsage() {
  return "usage: quillstow-sample DIR [--size BYTES] [--seed N] [--user NAME]\n"
         "Writes a Wine prefix with a made-up Windows Live Mail profile at DIR, which must be\n"
         "missing or empty. The same arguments give the same files, byte for byte.\n"
         "  --size BYTES  messages to write, in bytes of .eml files; K, M or G may follow\n"
         "                (default 20M)\n"
         "  --seed N      seed of the made-up content (default 1)\n"
         "  --user NAME   the Wine user whose profile is made (default: the caller's login)\n";
}

SampleCommandLine ParseSampleCommandLine(const std::vector<std::string>& arguments,
                                         std::string_view defaultUser) {
  SampleCommandLine result;
  bool haveDirectory = false;
  bool haveSize = false;
  bool haveSeed = false;
  bool haveUser = false;
  bool optionsEnded = false;
  const auto fail = [&](std::string message) {
    result.error = std::move(message);
    return result;
  };

  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (!optionsEnded && (argument == "-h" || argument == "--help")) {
      result.help = true;
      return result;
    }
    if (!optionsEnded && argument == "--") {
      optionsEnded = true;
      continue;
    }
    if (optionsEnded || argument.empty() || argument[0] != '-') {
      if (haveDirectory) return fail("more than one folder given: " + argument);
      if (argument.empty()) return fail("the folder is an empty text");
      result.options.directory = std::filesystem::path(argument);
      haveDirectory = true;
      continue;
    }
    // --name VALUE or --name=VALUE
    std::string name = argument;
    std::optional<std::string> value;
    if (const auto equals = argument.find('='); equals != std::string::npos) {
      name = argument.substr(0, equals);
      value = argument.substr(equals + 1);
    }
    bool* seen = name == "--size"   ? &haveSize
                 : name == "--seed" ? &haveSeed
                 : name == "--user" ? &haveUser
                                    : nullptr;
    if (seen == nullptr) return fail("unknown option: " + argument);
    if (*seen) return fail(name + " is given more than once");
    *seen = true;
    if (!value) {
      if (i + 1 >= arguments.size()) return fail(name + " needs a value");
      value = arguments[++i];
    }
    if (name == "--size") {
      const auto size = ParseByteCount(*value);
      if (!size) return fail("--size needs a byte count such as 2000000, 500K or 2G: " + *value);
      result.options.messageBytes = *size;
    } else if (name == "--seed") {
      const auto seed = ParseNumber(*value);
      if (!seed) return fail("--seed needs a number from 0 to 18446744073709551615: " + *value);
      result.options.seed = *seed;
    } else {
      if (const auto problem = CheckUserName(*value)) return fail("--user: " + *problem);
      result.options.user = *value;
    }
  }
  if (!haveDirectory) return fail("no folder given");
  if (!haveUser) {
    if (defaultUser.empty()) return fail("cannot tell the login name; give --user NAME");
    if (const auto problem = CheckUserName(defaultUser)) {
      return fail("the login name cannot name a profile folder (" + *problem +
                  "); give --user NAME");
    }
    result.options.user = std::string(defaultUser);
  }
  return result;
}

}  // namespace quill::sample

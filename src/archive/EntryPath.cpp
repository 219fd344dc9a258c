#include "archive/EntryPath.h"

#include <algorithm>

#include "platform/Files.h"
#include "platform/Text.h"

namespace quill::archive {
namespace fs = std::filesystem;

namespace {

bool IsUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto byte = static_cast<unsigned char>(text[i]);
    std::size_t length = byte < 0x80           ? 1
                         : (byte >> 5) == 0x6  ? 2
                         : (byte >> 4) == 0xE  ? 3
                         : (byte >> 3) == 0x1E ? 4
                                               : 0;
    if (length == 0 || i + length > text.size() || (length == 2 && byte < 0xC2) ||
        (length == 4 && byte > 0xF4))
      return false;
    for (std::size_t k = 1; k < length; ++k)
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    if (length == 3) {
      const auto next = static_cast<unsigned char>(text[i + 1]);
      if ((byte == 0xE0 && next < 0xA0) || (byte == 0xED && next >= 0xA0)) return false;
    }
    if (length == 4) {
      const auto next = static_cast<unsigned char>(text[i + 1]);
      if ((byte == 0xF0 && next < 0x90) || (byte == 0xF4 && next >= 0x90)) return false;
    }
    i += length;
  }
  return true;
}

}  // namespace

namespace {

// The small letter of c where Windows takes the two for one in names; c where it has none
// here. Covers the Latin letters of the first 384 code points, Greek and Cyrillic.
char32_t Folded(char32_t c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) ||
      (c >= 0x391 && c <= 0x3AB && c != 0x3A2) || (c >= 0x410 && c <= 0x42F))
    return c + 0x20;
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;
  if (c == 0x178) return 0xFF;
  const bool evenPairs =
      (c >= 0x100 && c <= 0x12F) || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177);
  const bool oddPairs = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
  if ((evenPairs && c % 2 == 0) || (oddPairs && c % 2 == 1)) return c + 1;
  return c;
}

}  // namespace

std::string NameKey(std::string_view name) {
  std::string key;
  key.reserve(name.size());
  for (std::size_t i = 0; i < name.size();) {
    const auto byte = static_cast<unsigned char>(name[i]);
    // Letters of two bytes are folded; everything else is kept as its bytes.
    const auto next = i + 1 < name.size() ? static_cast<unsigned char>(name[i + 1]) : 0;
    if ((byte >> 5) == 0x6 && (next & 0xC0) == 0x80) {
      const char32_t folded = Folded(static_cast<char32_t>(((byte & 0x1F) << 6) | (next & 0x3F)));
      key += static_cast<char>(0xC0 | (folded >> 6));
      key += static_cast<char>(0x80 | (folded & 0x3F));
      i += 2;
    } else {
      key += byte < 0x80 ? static_cast<char>(Folded(byte)) : name[i];
      ++i;
    }
  }
  return key;
}

std::string WindowsNameProblem(std::string_view name) {
  if (!IsUtf8(name)) return "the name is not UTF-8 text";
  // Windows keeps at most 255 UTF-16 units in one name: a character of four UTF-8 bytes
  // takes two, every other character one.
  std::size_t units = 0;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    units += (byte & 0xC0) == 0x80 ? 0 : byte >= 0xF0 ? 2 : 1;
  }
  if (units > 255) return "the name is longer than the 255 characters Windows keeps";
  for (const char c : name)
    if (static_cast<unsigned char>(c) < 0x20 ||
        std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos)
      return "Windows refuses the character " +
             (static_cast<unsigned char>(c) < 0x20 ? "with code " + std::to_string(int(c))
                                                   : std::string(1, c)) +
             " in names";
  if (!name.empty() && (name.back() == '.' || name.back() == ' ') && name != "." && name != "..")
    return "Windows drops the dots and blanks a name ends in";
  // A device name stays one with any extension and with blanks before it.
  std::string_view base = name.substr(0, name.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  const std::string upper = platform::Upper(base);
  static constexpr std::string_view kDevices[] = {"CON",    "PRN",     "AUX",   "NUL",
                                                  "CONIN$", "CONOUT$", "CLOCK$"};
  bool device = false;
  for (const std::string_view devicename : kDevices) device = device || upper == devicename;
  if (upper.size() == 4 && (upper.compare(0, 3, "COM") == 0 || upper.compare(0, 3, "LPT") == 0) &&
      upper[3] >= '0' && upper[3] <= '9')
    device = true;
  // COM and LPT with a superscript digit: ¹ ² ³
  if ((upper.compare(0, 3, "COM") == 0 || upper.compare(0, 3, "LPT") == 0) && upper.size() == 5 &&
      (upper.substr(3) == "\xC2\xB9" || upper.substr(3) == "\xC2\xB2" ||
       upper.substr(3) == "\xC2\xB3"))
    device = true;
  if (device) return "Windows keeps the name " + std::string(base) + " for a device";
  // NAME~N.EXT is the form of the short names Windows gives long ones: written there, such a
  // name may stand for another file of the folder.
  const std::size_t tilde = name.find('~');
  if (tilde != std::string_view::npos && tilde >= 1 && tilde <= 6) {
    const std::size_t dot = std::min(name.find('.', tilde), name.size());
    const std::string_view number = name.substr(tilde + 1, dot - tilde - 1);
    const bool digits =
        !number.empty() && number.find_first_not_of("0123456789") == std::string_view::npos;
    if (digits && dot <= 8 && (dot == name.size() || name.size() - dot - 1 <= 3))
      return "Windows may take the name for the short name of another file";
  }
  return std::string();
}

std::optional<std::vector<std::string>> SafeEntryComponents(const std::string& name,
                                                            std::string* problem) {
  const auto refuse = [&](std::string why) -> std::optional<std::vector<std::string>> {
    if (problem != nullptr) *problem = std::move(why);
    return std::nullopt;
  };
  if (name.empty()) return refuse("it has no name");
  if (name.front() == '/' || name.front() == '\\') return refuse("the name is absolute");
  if (name.find(':') != std::string::npos) return refuse("the name holds a drive or a stream");
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find_first_of("/\\", start);
    if (end == std::string::npos) end = name.size();
    const std::string part = name.substr(start, end - start);
    if (part == "..") return refuse("the name climbs out of its folder");
    if (!part.empty() && part != ".") {
      if (std::string why = WindowsNameProblem(part); !why.empty()) return refuse(std::move(why));
      parts.push_back(part);
    }
    start = end + 1;
  }
  if (parts.empty()) return refuse("the name names no file or folder");
  return parts;
}

std::optional<fs::path> PrepareEntryPath(const fs::path& root,
                                         const std::vector<std::string>& components,
                                         std::string& error) {
  fs::path path = root;
  std::error_code code;
  for (std::size_t i = 0; i < components.size(); ++i) {
    path /= platform::HostPath(components[i]);
    const fs::file_status status = fs::symlink_status(path, code);
    if (fs::is_symlink(status)) {
      error = "refused to write through the link " + platform::PathText(path);
      return std::nullopt;
    }
    if (i + 1 == components.size()) break;
    if (!fs::exists(status)) {
      if (!fs::create_directory(path, code) && code) {
        error = "cannot create " + platform::PathText(path) + ": " + code.message();
        return std::nullopt;
      }
    } else if (!fs::is_directory(status)) {
      error = platform::PathText(path) + " is a file where a folder is needed";
      return std::nullopt;
    }
  }
  return path;
}

}  // namespace quill::archive

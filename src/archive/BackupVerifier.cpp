#include "archive/BackupVerifier.h"

#include <array>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string_view>

#include "archive/Descriptor.h"
#include "archive/EntryPath.h"
#include "archive/ZipComponent.h"
#include "platform/Files.h"
#include "platform/TextFile.h"

namespace quill::archive {
namespace fs = std::filesystem;
using platform::HostPath;
using platform::PathText;

namespace {

// Registry export files are a few kilobytes; one larger than this is not read into memory.
constexpr std::size_t kRegistryFileLimit = 16u << 20;

std::string Quoted(const std::string& name) {
  return "\"" + name + "\"";
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  if (from.empty()) return text;
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

// A private folder for the files the check unpacks, removed with them when it goes.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& parent) {
    std::error_code error;
    const fs::path base = parent.empty() ? fs::temp_directory_path(error) : HostPath(parent);
    if (error) return;
    std::random_device random;
    for (int attempt = 0; attempt < 64; ++attempt) {
      char name[40];
      std::snprintf(name, sizeof name, "quillstow-verify-%08x", static_cast<unsigned>(random()));
      const fs::path candidate = base / name;
      if (fs::create_directory(candidate, error)) {
        // The unpacked mail is the user's alone.
        fs::permissions(candidate, fs::perms::owner_all, fs::perm_options::replace, error);
        path_ = candidate;
        return;
      }
      if (error) return;
    }
  }
  ~ScratchFolder() {
    std::error_code error;
    if (!path_.empty()) fs::remove_all(path_, error);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

// ---- registry export files, checked by the rules the import reads them with

std::string_view TrimBlanks(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

constexpr std::array<std::string_view, 6> kValueTags = {"sz", "esz", "bin", "dw", "sx", "esx"};

// Where the "=" after a value's name stands: at the first '"=' that a known tag and ':'
// follow, else at the first "=".
std::size_t ValueSeparator(std::string_view line) {
  for (std::size_t quote = line.find("\"=", 1); quote != std::string_view::npos;
       quote = line.find("\"=", quote + 1)) {
    const std::size_t equals = quote + 1;
    if (equals + 4 < line.size() && line[equals + 4] == ':') {
      const std::string_view tag = TrimBlanks(line.substr(equals + 1, 3));
      for (std::string_view known : kValueTags)
        if (tag == known) return equals;
    }
  }
  return line.find('=');
}

bool IsDecimal(std::string_view text, bool allowMinus, std::int64_t limit) {
  text = TrimBlanks(text);
  const bool negative = allowMinus && !text.empty() && text.front() == '-';
  if (negative) text.remove_prefix(1);
  if (text.empty()) return false;
  std::int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
    if (value > limit + (negative ? 1 : 0)) return false;
  }
  return true;
}

bool IsEscapedText(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') continue;
    if (++i == text.size() || (text[i] != '\\' && text[i] != 'r' && text[i] != 'n')) return false;
  }
  return true;
}

// What is wrong with the data of a value line of the given tag, or "" when nothing is.
std::string ValueDataProblem(std::string_view tag, std::string_view data) {
  if (tag == "sx" || tag == "esx")
    return IsEscapedText(data) ? ""
                               : "a backslash in the text is not followed by r, n or a backslash";
  if (tag == "dw")
    return IsDecimal(data, true, 2147483647)
               ? ""
               : Quoted(std::string(data)) + " is not a 32-bit number";
  if (tag == "bin") {
    for (std::size_t start = 0; !data.empty() && start <= data.size();) {
      const std::size_t comma = std::min(data.find(',', start), data.size());
      const std::string_view piece = data.substr(start, comma - start);
      if (!IsDecimal(piece, false, 255))
        return Quoted(std::string(TrimBlanks(piece))) + " is not a byte value from 0 to 255";
      start = comma + 1;
    }
  }
  return std::string();
}

struct RegistryTextCheck {
  std::string problem;  // the first line an import refuses, or ""
  std::vector<std::string> notes;
};

RegistryTextCheck CheckRegistryText(std::string_view bytes) {
  std::vector<std::string_view> lines;
  for (std::size_t start = 0; start < bytes.size();) {
    std::size_t end = bytes.find('\n', start);
    if (end == std::string_view::npos) end = bytes.size();
    std::size_t stop = end;
    if (stop > start && bytes[stop - 1] == '\r') --stop;
    lines.push_back(bytes.substr(start, stop - start));
    start = end + 1;
  }
  RegistryTextCheck check;
  const auto refuse = [&](std::size_t index, const std::string& what) {
    check.problem = "line " + std::to_string(index + 1) + ": " + what;
    return check;
  };
  if (lines.empty() || lines.front() != "\\")
    return refuse(0, "it does not begin with the key's header line \"\\\"");
  std::size_t index = 1;
  for (; index < lines.size() && !lines[index].empty(); ++index) {
    const std::string_view line = lines[index];
    if (line.front() == '\\') {
      const std::string_view relative = line.substr(1);
      if (!relative.empty() && (relative.front() == '\\' || relative.back() == '\\' ||
                                relative.find("\\\\") != std::string_view::npos))
        return refuse(index, "a key name in the header is empty");
      continue;
    }
    if (line.front() != '"') return refuse(index, "the line is neither a key header nor a value");
    const std::size_t equals = ValueSeparator(line);
    if (equals == std::string_view::npos || line[equals - 1] != '"')
      return refuse(index, "\"=\" is missing after the value name");
    if (equals < 2) return refuse(index, "\"=\" comes before the value name");
    const std::string_view tag = TrimBlanks(line.substr(equals + 1, 3));
    const std::string_view data =
        equals + 5 <= line.size() ? line.substr(equals + 5) : std::string_view();
    bool known = false;
    for (std::string_view each : kValueTags) known = known || tag == each;
    if (!known || equals + 4 >= line.size() || line[equals + 4] != ':') {
      check.notes.push_back("line " + std::to_string(index + 1) +
                            " holds a value of a type a restore does not know; it is skipped");
      continue;
    }
    const std::string problem = ValueDataProblem(tag, data);
    if (!problem.empty()) return refuse(index, problem);
  }
  for (; index < lines.size(); ++index) {
    if (lines[index].empty()) continue;
    check.notes.push_back("the lines from line " + std::to_string(index + 1) +
                          " on follow an empty line; a restore does not read them");
    break;
  }
  return check;
}

// ---- the descriptor's lines, as GetINI reads them

std::size_t KeyCount(const std::vector<std::string>& lines, const std::string& key) {
  const std::string wanted = Upper(key);
  std::size_t count = 0;
  for (const std::string& line : lines) {
    if (line.empty()) break;
    const std::size_t equals = line.find('=');
    if (equals != std::string::npos && Upper(line.substr(0, equals)) == wanted) ++count;
  }
  return count;
}

enum class EntryUse { PlainFile, InnerArchive, RegistryFile };

class Verifier {
 public:
  Verifier(const std::string& path, const std::string& password, const VerifyOptions& options,
           VerifyReport& report)
      : path_(path), password_(password), options_(options), report_(report) {
    fileName_ = PathText(HostPath(path).filename());
  }

  void Run() {
    if (!ReadEntries()) return;
    const auto contents = ReadTheDescriptor();
    if (!contents) return;
    CheckItems(*contents);
    for (const ZipEntryInfo& entry : zip_.entries()) {
      const auto use = uses_.find(entry.name);
      if (use == uses_.end() || damaged_.count(entry.index) != 0) continue;
      // Of entries that share a name, a restore reads the first.
      if (zip_.FindEntry(entry.name)->index != entry.index) continue;
      if (use->second == EntryUse::InnerArchive) CheckInnerArchive(entry);
      if (use->second == EntryUse::RegistryFile) CheckRegistryFile(entry);
    }
  }

 private:
  void Problem(const std::string& entry, const std::string& message) {
    report_.problems.push_back({entry, message});
  }
  void Warning(const std::string& entry, const std::string& message) {
    report_.warnings.push_back({entry, message});
  }

  // Opens the file and reads every entry whole. False when nothing more can be checked.
  bool ReadEntries() {
    std::error_code error;
    if (!fs::is_regular_file(HostPath(path_), error)) {
      Problem("", "There is no backup file " + path_ + ".");
      return false;
    }
    if (!zip_.OpenZip(path_)) {
      Problem("", fileName_ +
                      " cannot be read as a ZIP archive: it is cut short or damaged, or it is "
                      "not a backup file (" +
                      zip_.lastError() + ").");
      return false;
    }
    if (zip_.entries().empty()) {
      Problem("", fileName_ + " holds no entries: it is not a backup file.");
      return false;
    }
    zip_.SetDecryptPassword(password_);
    std::vector<std::pair<ZipEntryInfo, std::string>> unread;
    zip_.TestAll([&](const ZipEntryInfo& entry, const std::string& problem) {
      unread.emplace_back(entry, problem);
      damaged_.insert(entry.index);
    });

    // A password that does not fit lets no protected entry be read; damage spoils some.
    bool anyProtected = false;
    bool anyProtectedRead = false;
    for (const ZipEntryInfo& entry : zip_.entries()) {
      if (!entry.encrypted || !entry.regular || entry.size == 0) continue;
      anyProtected = true;
      anyProtectedRead = anyProtectedRead || damaged_.count(entry.index) == 0;
    }
    if (anyProtected && !anyProtectedRead) {
      Problem("", password_.empty()
                      ? fileName_ +
                            " is password-protected: it cannot be checked without the "
                            "password."
                      : "The password does not fit " + fileName_ + ".");
      return false;
    }

    report_.summary.entries = zip_.entries().size();
    for (const ZipEntryInfo& entry : zip_.entries())
      if (damaged_.count(entry.index) == 0) report_.summary.bytes += entry.size;
    for (const auto& [entry, problem] : unread)
      Problem(entry.name, Quoted(entry.name) + " does not read cleanly: " + problem + ".");

    std::map<std::string, std::size_t> counts;
    for (const ZipEntryInfo& entry : zip_.entries()) ++counts[entry.name];
    for (const auto& [name, count] : counts)
      if (count > 1 && name != kDescriptorName)
        Warning(name, Quoted(name) + " is in the backup file " + std::to_string(count) +
                          " times; a restore reads only the first.");
    return true;
  }

  std::optional<DescriptorContents> ReadTheDescriptor() {
    const std::string name = kDescriptorName;
    const auto entry = zip_.FindEntry(name);
    if (!entry) {
      Problem(name, "The descriptor " + name + " is missing: " + fileName_ +
                        " is not a backup file, or its last entry was lost.");
      return std::nullopt;
    }
    if (entry->index + 1 != zip_.entries().size())
      Problem(name, "The descriptor " + name + " is entry " + std::to_string(entry->index + 1) +
                        " of " + std::to_string(zip_.entries().size()) +
                        ", not the last one: the backup was not completed as written.");
    if (damaged_.count(entry->index) != 0) return std::nullopt;  // already reported

    if (scratch_.path().empty()) {
      Problem("",
              "There is no room to unpack the descriptor for the check: no folder could be "
              "made in " +
                  (options_.scratchParent.empty() ? std::string("the temporary folder")
                                                  : options_.scratchParent) +
                  ".");
      return std::nullopt;
    }
    if (!zip_.ExtractEntry(*entry, PathText(scratch_.path()))) {
      Problem(name, "The descriptor " + name + " cannot be unpacked: " + zip_.lastError() + ".");
      return std::nullopt;
    }
    const std::string file = PathText(scratch_.path() / name);
    DescriptorContents contents = ReadDescriptor(file);
    lines_ = platform::TextFile::ReadLines(file).value_or(std::vector<std::string>());
    std::error_code error;
    fs::remove(HostPath(file), error);

    if (!contents.valid()) {
      Problem(name, "BackupItem in " + name + " is " + Quoted(contents.flags) + ", " +
                        std::to_string(contents.flags.size()) +
                        " characters instead of 11: a restore takes " + fileName_ +
                        " for no valid backup.");
      return std::nullopt;
    }
    for (std::size_t index = 0; index < kItemCount; ++index)
      if (contents.flags[index] != '0' && contents.flags[index] != '1')
        Warning(name, "Flag " + std::to_string(index + 1) + " of BackupItem in " + name + " is " +
                          Quoted(std::string(1, contents.flags[index])) +
                          "; a restore takes the item for not backed up.");
    return contents;
  }

  void CheckItems(const DescriptorContents& contents) {
    const std::string descriptor = kDescriptorName;
    for (std::size_t index = 0; index < kItemCount; ++index) {
      const std::string key = kItemKeys[index];
      const std::size_t keys = KeyCount(lines_, key);
      if (keys > 1)
        Warning(descriptor, key + " is in " + descriptor + " " + std::to_string(keys) +
                                " times; a restore reads only the first.");
      if (!contents.Holds(index)) {
        if (keys > 0)
          Problem(descriptor, key + " is in " + descriptor +
                                  " although BackupItem marks the item as not backed up.");
        // A restore passes its entries by; they are named all the same, so they are no strays.
        named_.insert(contents.entries[index].begin(), contents.entries[index].end());
        continue;
      }
      if (contents.entries[index].empty()) {
        Problem(descriptor, "BackupItem marks the item " + key + " as backed up, but " +
                                descriptor + " names no entries for it.");
        continue;
      }
      for (const std::string& name : contents.entries[index]) {
        named_.insert(name);
        if (!zip_.FindEntry(name)) {
          Problem(name, Quoted(name) + ", named by " + key + " in " + descriptor +
                            ", is not in the backup file.");
          continue;
        }
        // A name two items share is checked as what the more demanding one needs.
        const EntryUse use = Use(index, name);
        const auto [at, added] = uses_.try_emplace(name, use);
        if (!added && use != EntryUse::PlainFile) at->second = use;
      }
    }
    for (const ZipEntryInfo& entry : zip_.entries())
      if (entry.name != descriptor && named_.count(entry.name) == 0)
        Warning(entry.name, Quoted(entry.name) + " is not named by any item in " + descriptor +
                                "; a restore leaves it unused.");
  }

  static EntryUse Use(std::size_t index, const std::string& name) {
    switch (KindOfItem(index)) {
      case ItemKind::Registry:
        return EntryUse::RegistryFile;
      case ItemKind::Folders:
        return index == 0 && IsMessageStoreName(name) ? EntryUse::PlainFile
                                                      : EntryUse::InnerArchive;
      case ItemKind::Files:
        break;
    }
    return EntryUse::PlainFile;
  }

  void CheckInnerArchive(const ZipEntryInfo& entry) {
    const std::string& name = entry.name;
    std::error_code error;
    const fs::space_info space = fs::space(scratch_.path(), error);
    if (!error && space.available < entry.size) {
      Warning(name, Quoted(name) + " was not checked inside: there is no room for its " +
                        std::to_string(entry.size) + " bytes in " + PathText(scratch_.path()) +
                        ".");
      return;
    }
    // Unpacked as a restore unpacks it, then read back whole.
    if (!zip_.ExtractEntry(entry, PathText(scratch_.path()))) {
      Problem(name, Quoted(name) + " cannot be unpacked: " + zip_.lastError() + ".");
      return;
    }
    const fs::path file = scratch_.path() / HostPath(name);
    const std::string fileText = PathText(file);
    struct Remove {
      const fs::path& file;
      ~Remove() {
        std::error_code ignored;
        fs::remove(file, ignored);
      }
    } remove{file};

    ZipComponent inner;
    if (!inner.OpenZip(fileText)) {
      Problem(name, Quoted(name) + " is not a ZIP archive, or a damaged one (" +
                        ReplaceAll(inner.lastError(), fileText, name) + ").");
      return;
    }
    std::set<std::size_t> unread;
    inner.TestAll([&](const ZipEntryInfo& item, const std::string& problem) {
      unread.insert(item.index);
      Problem(name, Quoted(name) + ": its entry " + Quoted(item.name) +
                        " does not read cleanly: " + problem + ".");
    });
    for (const ZipEntryInfo& item : inner.entries()) {
      if (!SafeEntryComponents(item.name) || (!item.regular && !item.directory))
        Problem(name, Quoted(name) + ": its entry " + Quoted(item.name) +
                          " is not a plain file or folder below the archive's folder; a "
                          "restore refuses it.");
      if (unread.count(item.index) == 0) report_.summary.innerBytes += item.size;
    }
    ++report_.summary.innerArchives;
    report_.summary.innerEntries += inner.entries().size();
  }

  void CheckRegistryFile(const ZipEntryInfo& entry) {
    const std::string& name = entry.name;
    if (entry.size > kRegistryFileLimit) {
      Warning(name, Quoted(name) + " was not checked as registry text: at " +
                        std::to_string(entry.size) + " bytes it is far larger than one.");
      return;
    }
    const auto data = zip_.ReadEntry(entry, kRegistryFileLimit);
    if (!data) {
      Problem(name, Quoted(name) + " cannot be read: " + zip_.lastError() + ".");
      return;
    }
    ++report_.summary.registryFiles;
    const RegistryTextCheck check = CheckRegistryText(*data);
    if (!check.problem.empty())
      Problem(name, Quoted(name) + " is not a registry export file a restore can import, at " +
                        check.problem + ".");
    for (const std::string& note : check.notes) Warning(name, Quoted(name) + ": " + note + ".");
  }

  std::string path_;
  std::string password_;
  const VerifyOptions& options_;
  VerifyReport& report_;
  std::string fileName_;
  ZipComponent zip_;
  ScratchFolder scratch_{options_.scratchParent};
  std::set<std::size_t> damaged_;         // entries of the backup file that did not read cleanly
  std::vector<std::string> lines_;        // the descriptor's lines
  std::set<std::string> named_;           // every name the descriptor's item keys hold
  std::map<std::string, EntryUse> uses_;  // entries a restore reads, by what they hold
};

}  // namespace

std::string VerifyReport::Text() const {
  std::string text = ok ? "The backup file reads whole and holds everything its descriptor names."
                        : "The backup file has " + std::to_string(problems.size()) +
                              (problems.size() == 1 ? " problem." : " problems.");
  text += "\nEntries read: " + std::to_string(summary.entries) + " (" +
          std::to_string(summary.bytes) +
          " bytes); inner archives read: " + std::to_string(summary.innerArchives) + " with " +
          std::to_string(summary.innerEntries) + " entries (" + std::to_string(summary.innerBytes) +
          " bytes); registry files checked: " + std::to_string(summary.registryFiles) + ".";
  for (const VerifyFinding& finding : problems) text += "\nProblem: " + finding.message;
  for (const VerifyFinding& finding : warnings) text += "\nWarning: " + finding.message;
  return text + "\n";
}

VerifyReport VerifyBackupFile(const std::string& path, const std::string& password,
                              const VerifyOptions& options) {
  VerifyReport report;
  Verifier(path, password, options, report).Run();
  report.ok = report.problems.empty();
  return report;
}

}  // namespace quill::archive

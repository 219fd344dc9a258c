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

#include "archive/ArchiveReader.h"
#include "archive/BackupFile.h"
#include "archive/Descriptor.h"
#include "archive/EntryPath.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "registry/RegistryTextFormat.h"

namespace quill::archive {
namespace fs = std::filesystem;
using core::IsPlainFile;
using core::kItemCount;
using core::kItems;
using platform::HostPath;
using platform::PathText;
using platform::ReplaceAll;

namespace {

// Registry export files are a few kilobytes; one larger than this is not read into memory.
constexpr std::size_t kRegistryFileLimit = 16u << 20;

std::string Quoted(const std::string& name) {
  return "\"" + name + "\"";
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

// ---- registry export files, checked by the parser the import reads them with

struct RegistryTextCheck {
  std::string problem;  // the first line an import refuses, or ""
  std::vector<std::string> notes;
};

RegistryTextCheck CheckRegistryText(std::string_view bytes) {
  const registry::ParsedRegistryText parsed = registry::ParseRegistryText(bytes);
  RegistryTextCheck check;
  // A file this program writes always begins with the key's own header.
  std::string_view first = bytes.substr(0, bytes.find('\n'));
  if (!first.empty() && first.back() == '\r') first.remove_suffix(1);
  if (first != "\\") {
    check.problem = "line 1: it does not begin with the key's header line \"\\\"";
    return check;
  }
  if (!parsed.ok()) {
    check.problem = "line " + std::to_string(parsed.badLine) + ": " + parsed.problem;
    return check;
  }
  for (std::size_t line : parsed.skippedLines)
    check.notes.push_back("line " + std::to_string(line) +
                          " holds a value of a type a restore does not know; it is skipped");
  if (parsed.unreadFrom != 0)
    check.notes.push_back("the lines from line " + std::to_string(parsed.unreadFrom) +
                          " on follow an empty line; a restore does not read them");
  return check;
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
    for (const EntryInfo& entry : zip_.entries()) {
      const auto use = uses_.find(entry.name);
      if (use == uses_.end() || damaged_.count(entry.index) != 0) continue;
      // Of entries that share a name, a restore reads the first.
      if (zip_.Find(entry.name)->index != entry.index) continue;
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
    if (!zip_.Open(path_)) {
      Problem("", fileName_ +
                      " cannot be read as a ZIP archive: it is cut short or damaged, or it is "
                      "not a backup file (" +
                      zip_.error() + ").");
      return false;
    }
    if (zip_.entries().empty()) {
      Problem("", fileName_ + " holds no entries: it is not a backup file.");
      return false;
    }
    zip_.SetPassword(password_);
    (void)zip_.CheckPassword();  // finds the password's bytes; what does not read is told below
    std::vector<std::pair<EntryInfo, std::string>> unread;
    zip_.TestAll([&](const EntryInfo& entry, const std::string& problem) {
      unread.emplace_back(entry, problem);
      damaged_.insert(entry.index);
    });

    // A password that does not fit lets no protected entry be read; damage spoils some.
    bool anyProtected = false;
    bool anyProtectedRead = false;
    for (const EntryInfo& entry : zip_.entries()) {
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

    // A restore refuses a protected file with a plain entry: anyone could have put it in.
    if (zip_.HoldsProtectedEntries())
      for (const EntryInfo& entry : zip_.entries())
        if (!entry.encrypted && !entry.directory)
          Problem(entry.name, Quoted(entry.name) +
                                  " is not protected in a protected backup file; a restore "
                                  "refuses the file.");

    report_.summary.entries = zip_.entries().size();
    for (const EntryInfo& entry : zip_.entries())
      if (damaged_.count(entry.index) == 0) report_.summary.bytes += entry.size;
    for (const auto& [entry, problem] : unread)
      Problem(entry.name, Quoted(entry.name) + " does not read cleanly: " + problem + ".");

    std::map<std::string, std::size_t> counts;
    for (const EntryInfo& entry : zip_.entries()) ++counts[entry.name];
    for (const auto& [name, count] : counts)
      if (count > 1 && name != kDescriptorName)
        Warning(name, Quoted(name) + " is in the backup file " + std::to_string(count) +
                          " times; a restore reads only the first.");
    return true;
  }

  std::optional<Descriptor> ReadTheDescriptor() {
    const std::string name = kDescriptorName;
    const EntryInfo* entry = zip_.Find(name);
    if (entry == nullptr) {
      Problem(name, "The descriptor " + name + " is missing: " + fileName_ +
                        " is not a backup file, or its last entry was lost.");
      return std::nullopt;
    }
    if (entry->index + 1 != zip_.entries().size())
      Problem(name, "The descriptor " + name + " is entry " + std::to_string(entry->index + 1) +
                        " of " + std::to_string(zip_.entries().size()) +
                        ", not the last one: the backup was not completed as written.");
    if (damaged_.count(entry->index) != 0) return std::nullopt;  // already reported

    std::string error;
    const auto bytes = zip_.Read(*entry, kDescriptorLimit, error);
    if (!bytes) {
      Problem(name, "The descriptor " + name + " cannot be read: " + error + ".");
      return std::nullopt;
    }
    Descriptor contents = Descriptor::Parse(*bytes);
    lines_.emplace(*bytes);

    if (!contents.valid()) {
      Problem(name, "BackupItem in " + name + " is " + Quoted(contents.flags) + ", " +
                        std::to_string(contents.flags.size()) + " characters instead of " +
                        std::to_string(kItemCount) + ": a restore takes " + fileName_ +
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

  void CheckItems(const Descriptor& contents) {
    const std::string descriptor = kDescriptorName;
    for (std::size_t index = 0; index < kItemCount; ++index) {
      const std::string key = kItems[index].key;
      const std::size_t keys = lines_->Count(key);
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
        if (zip_.Find(name) == nullptr) {
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
    for (const EntryInfo& entry : zip_.entries())
      if (entry.name != descriptor && named_.count(entry.name) == 0)
        Warning(entry.name, Quoted(entry.name) + " is not named by any item in " + descriptor +
                                "; a restore leaves it unused.");
  }

  static EntryUse Use(std::size_t index, const std::string& name) {
    switch (kItems[index].kind) {
      case core::ItemKind::Registry:
        return EntryUse::RegistryFile;
      case core::ItemKind::Folders:
        return IsPlainFile(kItems[index], name) ? EntryUse::PlainFile : EntryUse::InnerArchive;
      case core::ItemKind::Files:
        break;
    }
    return EntryUse::PlainFile;
  }

  void CheckInnerArchive(const EntryInfo& entry) {
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
    if (const ReadStatus extracted = zip_.Extract(entry, PathText(scratch_.path())); !extracted) {
      Problem(name, Quoted(name) + " cannot be unpacked: " + extracted.error + ".");
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

    ArchiveReader inner;
    if (!inner.Open(fileText)) {
      Problem(name, Quoted(name) + " is not a ZIP archive, or a damaged one (" +
                        ReplaceAll(inner.error(), fileText, name) + ").");
      return;
    }
    std::set<std::size_t> unread;
    inner.TestAll([&](const EntryInfo& item, const std::string& problem) {
      unread.insert(item.index);
      Problem(name, Quoted(name) + ": its entry " + Quoted(item.name) +
                        " does not read cleanly: " + problem + ".");
    });
    for (const EntryInfo& item : inner.entries()) {
      if (!SafeEntryComponents(item.name) || (!item.regular && !item.directory))
        Problem(name, Quoted(name) + ": its entry " + Quoted(item.name) +
                          " is not a plain file or folder below the archive's folder; a "
                          "restore refuses it.");
      if (unread.count(item.index) == 0) report_.summary.innerBytes += item.size;
    }
    ++report_.summary.innerArchives;
    report_.summary.innerEntries += inner.entries().size();
  }

  void CheckRegistryFile(const EntryInfo& entry) {
    const std::string& name = entry.name;
    if (entry.size > kRegistryFileLimit) {
      Warning(name, Quoted(name) + " was not checked as registry text: at " +
                        std::to_string(entry.size) + " bytes it is far larger than one.");
      return;
    }
    std::string error;
    const auto data = zip_.Read(entry, kRegistryFileLimit, error);
    if (!data) {
      Problem(name, Quoted(name) + " cannot be read: " + error + ".");
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
  ArchiveReader zip_;
  ScratchFolder scratch_{options_.scratchParent};
  std::set<std::size_t> damaged_;         // entries of the backup file that did not read cleanly
  std::optional<DescriptorLines> lines_;  // the descriptor's lines
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

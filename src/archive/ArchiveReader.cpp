#include "archive/ArchiveReader.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <clocale>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "archive/CodePageNames.h"
#include "archive/EntryData.h"
#include "archive/EntryFiles.h"
#include "archive/EntryPath.h"
#include "archive/ZipDirectory.h"
#include "archive/ZipLayout.h"
#include "platform/Files.h"

namespace quill::archive {
namespace fs = std::filesystem;
using platform::HostPath;
using platform::PathText;

namespace {

constexpr std::size_t kChunk = 1 << 16;

struct ReadDeleter {
  void operator()(::archive* a) const { archive_read_free(a); }
};
struct EntryDeleter {
  void operator()(archive_entry* e) const { archive_entry_free(e); }
};
using Reader = std::unique_ptr<::archive, ReadDeleter>;
using Entry = std::unique_ptr<archive_entry, EntryDeleter>;

std::string ArchiveError(::archive* a) {
  const char* text = archive_error_string(a);
  return text != nullptr ? text : "unknown archive error";
}

Reader OpenReader(const std::string& path, const std::string& password, std::string& error) {
  Reader reader(archive_read_new());
  archive_read_support_format_zip_seekable(reader.get());
#ifdef _WIN32
  // Names without the UTF-8 flag are in the code page, as Windows programs write them.
  archive_read_set_options(reader.get(), ("zip:hdrcharset=" + CodePageCharset()).c_str());
#endif
  if (!password.empty()) archive_read_add_passphrase(reader.get(), password.c_str());
#ifdef _WIN32
  // Given wide: libarchive for Windows reads a narrow path in the ANSI code page.
  const int opened = archive_read_open_filename_w(reader.get(), HostPath(path).c_str(), kChunk);
#else
  const int opened =
      archive_read_open_filename(reader.get(), PathText(HostPath(path)).c_str(), kChunk);
#endif
  if (opened != ARCHIVE_OK) {
    error = "cannot open " + path + ": " + ArchiveError(reader.get());
    return nullptr;
  }
  return reader;
}

std::string EntryName(archive_entry* entry) {
#ifdef _WIN32
  // libarchive for Windows gives the UTF-8 name only when the ANSI code page holds every
  // character of it; the wide name always.
  if (const wchar_t* wide = archive_entry_pathname_w(entry)) return PathText(fs::path(wide));
#endif
  // The process's character type is UTF-8: a name with the flag comes as it is, one without
  // it as its bytes.
  if (const char* name = archive_entry_pathname(entry)) return NameFromHeader(name);
  if (const char* utf8 = archive_entry_pathname_utf8(entry)) return utf8;
  return std::string();
}

// A header read: ARCHIVE_WARN only says a name needed converting.
bool NextHeader(::archive* reader, archive_entry** entry) {
  const int status = archive_read_next_header(reader, entry);
  return status == ARCHIVE_OK || status == ARCHIVE_WARN;
}

// Reads the data of the entry whose header was just read to its end, handing each piece to
// take until it declines.
struct DataRead {
  std::uint64_t bytes = 0;
  std::string problem;  // empty when the data read cleanly
  bool fatal = false;   // the reader cannot go on
  bool declined = false;
};
DataRead ReadData(::archive* reader, std::vector<char>& buffer, const TakePiece& take = nullptr) {
  DataRead result;
  la_ssize_t got;
  while ((got = archive_read_data(reader, buffer.data(), buffer.size())) > 0) {
    const auto size = static_cast<std::size_t>(got);
    if (take && !take(buffer.data(), size)) {
      result.declined = true;
      return result;
    }
    result.bytes += size;
  }
  if (got < 0) {
    result.problem = ArchiveError(reader);
    result.fatal = got == ARCHIVE_FATAL;
  }
  return result;
}

// A fresh reader whose last header read is that of entry index.
Reader ReaderAt(const std::string& path, const std::string& password, std::size_t index,
                archive_entry** entry, std::string& error) {
  Reader reader = OpenReader(path, password, error);
  if (!reader) return nullptr;
  for (std::size_t at = 0;; ++at) {
    if (!NextHeader(reader.get(), entry)) {
      error = "cannot read the header of entry " + std::to_string(index + 1) + ": " +
              ArchiveError(reader.get());
      return nullptr;
    }
    if (at == index) return reader;
    archive_read_data_skip(reader.get());
  }
}

// The central directory's records in the order libarchive lists the entries (by where they
// lie), when they match the entries one for one by name; otherwise none.
std::vector<ZipDirectoryEntry> DirectRecords(const std::string& path,
                                             const std::vector<EntryInfo>& entries) {
  std::ifstream in;
  in.rdbuf()->pubsetbuf(nullptr, 0);
  in.open(HostPath(path), std::ios::binary);
  std::vector<ZipDirectoryEntry> records;
  std::uint64_t directory = 0;
  if (!in || !ReadZipDirectory(in, records, directory) || records.size() != entries.size())
    return {};
  std::stable_sort(
      records.begin(), records.end(),
      [](const ZipDirectoryEntry& a, const ZipDirectoryEntry& b) { return a.offset < b.offset; });
  for (std::size_t i = 0; i < records.size(); ++i)
    if (NameFromHeader(records[i].name) != entries[i].name && records[i].name != entries[i].name)
      return {};
  return records;
}

// Reads the data of the entry whose header was just read: straight from the archive, open
// in file, when its record allows, through libarchive otherwise.
DataRead ReadEntry(::archive* reader, std::ifstream& file,
                   const std::vector<ZipDirectoryEntry>& direct, std::size_t index,
                   const std::string& password, std::vector<char>& buffer,
                   const TakePiece& take = nullptr) {
  if (index >= direct.size() || !ReadsDirectly(direct[index]))
    return ReadData(reader, buffer, take);
  const DirectRead read = ReadEntryData(
      file, direct[index], password, take ? take : [](const char*, std::size_t) { return true; });
  archive_read_data_skip(reader);
  DataRead result;
  result.bytes = read.bytes;
  result.problem = read.problem;
  result.declined = read.declined;
  return result;
}

// PrepareEntryPath, looking only at the folders this extraction has not prepared yet (each
// look is a call to the system); prepared: their paths below root, as they stand.
std::optional<fs::path> PreparePath(const fs::path& root,
                                    const std::vector<std::string>& components,
                                    std::unordered_set<std::string>& prepared, std::string& error) {
  std::size_t known = 0;
  std::string knownPath;
  for (std::string next; known + 1 < components.size(); ++known) {
    next = knownPath + (known == 0 ? "" : "/") + components[known];
    if (prepared.count(next) == 0) break;
    knownPath = std::move(next);
  }
  auto path = PrepareEntryPath(
      known == 0 ? root : root / HostPath(knownPath),
      std::vector<std::string>(components.begin() + static_cast<std::ptrdiff_t>(known),
                               components.end()),
      error);
  if (!path) return std::nullopt;
  std::string folders;
  for (std::size_t i = 0; i + 1 < components.size(); ++i)
    prepared.insert(folders += (i == 0 ? "" : "/") + components[i]);
  return path;
}

}  // namespace

bool ArchiveReader::IsPasswordProtected(const std::string& path) {
  UseUtf8Names();
  std::string error;
  Reader reader = OpenReader(path, "", error);
  if (!reader) return false;
  archive_entry* entry = nullptr;
  while (NextHeader(reader.get(), &entry)) {
    if (archive_entry_is_data_encrypted(entry)) return true;
    archive_read_data_skip(reader.get());
  }
  return false;
}

bool ArchiveReader::Open(const std::string& path) {
  UseUtf8Names();
  path_.clear();
  entries_.clear();
  firstByName_.clear();
  Reader reader = OpenReader(path, "", error_);
  if (!reader) return false;
  archive_entry* entry = nullptr;
  int status;
  while ((status = archive_read_next_header(reader.get(), &entry)) == ARCHIVE_OK ||
         status == ARCHIVE_WARN) {
    EntryInfo info;
    info.index = entries_.size();
    info.name = EntryName(entry);
    info.size = archive_entry_size_is_set(entry)
                    ? static_cast<std::uint64_t>(archive_entry_size(entry))
                    : 0;
    info.modified = archive_entry_mtime_is_set(entry) ? archive_entry_mtime(entry) : 0;
    info.encrypted = archive_entry_is_data_encrypted(entry) != 0;
    info.directory = archive_entry_filetype(entry) == AE_IFDIR;
    info.regular = archive_entry_filetype(entry) == AE_IFREG;
    firstByName_.try_emplace(info.name, info.index);
    entries_.push_back(std::move(info));
    archive_read_data_skip(reader.get());
  }
  if (status != ARCHIVE_EOF) {
    entries_.clear();
    firstByName_.clear();
    error_ = path + " is not a ZIP archive or is damaged: " + ArchiveError(reader.get());
    return false;
  }
  // Entries that share their data, or data that runs into what follows it, would unpack to
  // far more than the file holds: such a file is refused before anything is unpacked.
  if (const std::string problem = ZipLayoutProblem(path); !problem.empty()) {
    entries_.clear();
    firstByName_.clear();
    error_ = path + " is not a ZIP archive or is damaged: " + problem;
    return false;
  }
  path_ = path;
  direct_ = DirectRecords(path, entries_);
  return true;
}

void ArchiveReader::SetPassword(const std::string& password) {
  passwordText_ = password;
  password_ = PasswordBytes(password);
}

bool ArchiveReader::CheckPassword() {
  std::vector<const EntryInfo*> protectedEntries;
  for (const auto& entry : entries_)
    if (entry.encrypted && entry.regular && entry.size > 0) protectedEntries.push_back(&entry);
  if (protectedEntries.empty()) return true;
  // The traditional check byte lets about one wrong password in 256 through; only reading
  // data whole tells. The smallest entry of some size is enough; without one, all are read.
  constexpr std::uint64_t kEnough = 16;
  std::vector<bool> chosen(entries_.size());
  std::size_t wanted = 0;
  const EntryInfo* best = nullptr;
  for (const EntryInfo* entry : protectedEntries)
    if (entry->size >= kEnough && (best == nullptr || entry->size < best->size)) best = entry;
  for (const EntryInfo* entry : protectedEntries) {
    if (best != nullptr && entry != best) continue;
    chosen[entry->index] = true;
    ++wanted;
  }
  // Programs of the mail client's era protect with the code page's bytes of the password;
  // others with its UTF-8 bytes.
  for (const std::string& bytes : PasswordCandidates(passwordText_)) {
    Reader reader = OpenReader(path_, bytes, error_);
    if (!reader) return false;
    std::vector<char> buffer(kChunk);
    archive_entry* entry = nullptr;
    std::size_t checked = 0;
    for (std::size_t index = 0; checked < wanted && NextHeader(reader.get(), &entry); ++index) {
      if (index >= chosen.size() || !chosen[index]) {
        archive_read_data_skip(reader.get());
        continue;
      }
      if (!ReadData(reader.get(), buffer).problem.empty()) break;
      ++checked;
    }
    if (checked == wanted) {
      password_ = bytes;
      return true;
    }
  }
  error_ = "wrong password";
  return false;
}

bool ArchiveReader::HoldsProtectedEntries() const {
  for (const EntryInfo& entry : entries_)
    if (entry.encrypted) return true;
  return false;
}

const EntryInfo* ArchiveReader::Find(const std::string& name) const {
  const auto found = firstByName_.find(name);
  return found == firstByName_.end() ? nullptr : &entries_[found->second];
}

ReadStatus ArchiveReader::Extract(const EntryInfo& entry, const std::string& folder,
                                  const DataWritten& written) const {
  return ExtractEntries({entry.index}, folder, written);
}

ReadStatus ArchiveReader::ExtractAll(const std::string& folder) const {
  std::vector<std::size_t> all(entries_.size());
  for (std::size_t i = 0; i < all.size(); ++i) all[i] = i;
  return ExtractEntries(all, folder);
}

ReadStatus ArchiveReader::TestAll(const EntryProblem& report) const {
  if (path_.empty()) return {"no archive is open"};
  std::vector<char> buffer(kChunk);
  std::size_t bad = 0;
  std::string first;
  const auto complain = [&](const EntryInfo& info, const std::string& problem) {
    if (bad++ == 0) first = info.name + ": " + problem;
    if (report) report(info, problem);
  };
  std::ifstream file(HostPath(path_), std::ios::binary);
  Reader reader;
  for (const EntryInfo& info : entries_) {
    archive_entry* entry = nullptr;
    // Damage in one entry can leave the reader stuck; a fresh one starts at the next entry,
    // so each entry is judged on its own.
    if (!reader || !NextHeader(reader.get(), &entry)) {
      std::string error;
      reader = ReaderAt(path_, password_, info.index, &entry, error);
      if (!reader) {
        complain(info, error);
        continue;
      }
    }
    const DataRead read = ReadEntry(reader.get(), file, direct_, info.index, password_, buffer);
    const std::string problem = read.problem.empty() ? SizeProblem(info, read.bytes) : read.problem;
    if (!problem.empty()) complain(info, problem);
    if (read.fatal) reader.reset();
  }
  if (bad == 0) return {};
  return {bad == 1 ? first
                   : first + " (and " + std::to_string(bad - 1) + " more entries do not read)"};
}

std::optional<std::string> ArchiveReader::Read(const EntryInfo& entry, std::size_t limit,
                                               std::string& error) const {
  if (path_.empty()) {
    error = "no archive is open";
    return std::nullopt;
  }
  if (entry.index >= entries_.size() || entries_[entry.index].name != entry.name) {
    error = "no entry " + entry.name;
    return std::nullopt;
  }
  const std::string tooLarge = entry.name + " is larger than " + std::to_string(limit) + " bytes";
  if (entry.size > limit) {
    error = tooLarge;
    return std::nullopt;
  }
  archive_entry* header = nullptr;
  Reader reader = ReaderAt(path_, password_, entry.index, &header, error);
  if (!reader) return std::nullopt;
  std::vector<char> buffer(kChunk);
  std::ifstream file(HostPath(path_), std::ios::binary);
  std::string data;
  const DataRead read = ReadEntry(reader.get(), file, direct_, entry.index, password_, buffer,
                                  [&](const char* piece, std::size_t size) {
                                    if (size > limit - data.size()) return false;
                                    data.append(piece, size);
                                    return true;
                                  });
  if (read.declined) {
    error = tooLarge;
    return std::nullopt;
  }
  const std::string problem =
      read.problem.empty() ? SizeProblem(entries_[entry.index], read.bytes) : read.problem;
  if (!problem.empty()) {
    error = "cannot read " + entry.name + ": " + problem;
    return std::nullopt;
  }
  return data;
}

ReadStatus ArchiveReader::ExtractEntries(const std::vector<std::size_t>& indexes,
                                         const std::string& folder,
                                         const DataWritten& dataWritten) const {
  if (path_.empty()) return {"no archive is open"};
  const fs::path root = HostPath(folder);
  std::error_code code;
  if (!fs::is_directory(root, code) && !fs::create_directories(root, code))
    return {"cannot create " + folder};
  std::string error;
  Reader reader = OpenReader(path_, password_, error);
  if (!reader) return {error};

  std::vector<bool> wanted(entries_.size());
  for (std::size_t index : indexes)
    if (index < wanted.size()) wanted[index] = true;
  std::vector<char> buffer(kChunk);
  std::ifstream file(HostPath(path_), std::ios::binary);
  archive_entry* entry = nullptr;
  std::string refused;
  const auto refuse = [&](std::size_t index, const std::string& name, const std::string& why) {
    refused += (refused.empty() ? "" : ", ") +
               (name.empty() ? "entry " + std::to_string(index + 1) + " (it has no name)"
                             : name + (why.empty() ? "" : " (" + why + ")"));
  };
  // Every name written below root, as Windows compares names, and whether it is a folder:
  // two names that are one on Windows would be one file there and two here.
  std::unordered_map<std::string, std::pair<std::string, bool>> taken;
  const auto take = [&](const std::string& path, bool folder) -> std::string {
    const auto [at, added] = taken.try_emplace(NameKey(path), path, folder);
    if (added || (folder && at->second.second && at->second.first == path)) return std::string();
    if (at->second.first != path) return "the name differs only in case from " + at->second.first;
    return folder || at->second.second ? "a file and a folder have the same name"
                                       : "the name stands twice";
  };

  // Files read straight from the archive are written side by side when threads allow.
  std::optional<FileWriteRuns> runs;
  if (threads_ > 1)
    runs.emplace(HostPath(path_), password_, threads_,
                 [&](const FileWriteRuns::File& file, std::uint64_t bytes) {
                   if (dataWritten) dataWritten(file.info, bytes);
                   if (fileExtracted_) fileExtracted_(PathText(file.path), bytes);
                 });
  const auto settle = [&](std::size_t keep) {
    if (runs) runs->Settle(keep);
    return runs ? runs->failed() : std::string();
  };
  const auto fail = [&](const std::string& problem) -> ReadStatus {
    const std::string failed = settle(0);
    return {failed.empty() ? problem : failed};
  };
  // The folders below root already made or checked by this extraction, as their paths stand.
  std::unordered_set<std::string> prepared;

  std::size_t written = 0;
  for (std::size_t index = 0; written < indexes.size() && NextHeader(reader.get(), &entry);
       ++index) {
    if (index >= wanted.size() || !wanted[index]) {
      archive_read_data_skip(reader.get());
      continue;
    }
    if (stopped_ && stopped_()) return {kExtractStopped};
    if (const std::string failed = settle(2 * threads_); !failed.empty()) return {failed};
    ++written;
    const std::string name = EntryName(entry);
    const auto type = archive_entry_filetype(entry);
    std::string unsafe;
    const auto components = SafeEntryComponents(name, &unsafe);
    if (!components || (type != AE_IFREG && type != AE_IFDIR)) {
      refuse(index, name, components ? "it is neither a file nor a folder" : unsafe);
      archive_read_data_skip(reader.get());
      continue;
    }
    std::string clash, joined;
    bool touchesBusy = false;
    for (std::size_t i = 0; i < components->size() && clash.empty(); ++i) {
      joined += (i == 0 ? "" : "/") + (*components)[i];
      clash = take(joined, i + 1 < components->size() || type == AE_IFDIR);
      touchesBusy = touchesBusy || (runs && runs->Busy(NameKey(joined)));
    }
    if (!clash.empty()) {
      refuse(index, name, clash);
      archive_read_data_skip(reader.get());
      continue;
    }
    // The partial name is none an entry has taken: that entry's file would be lost under it.
    std::string partialSuffix = kPartialSuffix;
    for (int n = 1; taken.count(NameKey(joined + partialSuffix)) != 0; ++n)
      partialSuffix = kPartialSuffix + std::to_string(n);
    const std::string partialKey = NameKey(joined + partialSuffix);
    if (touchesBusy || (runs && runs->Busy(partialKey)))
      if (const std::string failed = settle(0); !failed.empty()) return {failed};
    const auto path = PreparePath(root, *components, prepared, error);
    if (!path) {
      refuse(index, name, error);
      archive_read_data_skip(reader.get());
      continue;
    }
    if (type == AE_IFDIR) {
      if (!fs::is_directory(*path, code) && !fs::create_directory(*path, code))
        return fail("cannot create " + PathText(*path));
      prepared.insert(joined);
      archive_read_data_skip(reader.get());
      continue;
    }
    const EntryInfo& info = entries_[index];
    const std::int64_t mtime = archive_entry_mtime(entry);
    if (runs && index < direct_.size() && ReadsDirectly(direct_[index])) {
      archive_read_data_skip(reader.get());
      runs->Add({*path, partialSuffix, info, mtime, direct_[index]}, {NameKey(joined), partialKey});
      continue;
    }
    if (const std::string failed = settle(0); !failed.empty()) return {failed};
    const FileWrite done =
        WriteEntryFile(*path, partialSuffix, info, mtime, [&](const TakePiece& take) {
          std::uint64_t bytes = 0;
          return ReadEntry(reader.get(), file, direct_, index, password_, buffer,
                           [&](const char* piece, std::size_t size) {
                             if (!take(piece, size)) return false;
                             if (dataWritten) dataWritten(info, bytes += size);
                             return true;
                           })
              .problem;
        });
    if (!done.problem.empty()) return {done.problem};
    if (fileExtracted_) fileExtracted_(PathText(*path), done.bytes);
  }
  if (const std::string failed = settle(0); !failed.empty()) return {failed};
  if (written < indexes.size()) return {"cannot read " + path_ + ": " + ArchiveError(reader.get())};
  if (!refused.empty()) return {"refused unsafe entries: " + refused};
  return {};
}

}  // namespace quill::archive

#include "support/ForeignZip.h"

#include <archive.h>
#include <archive_entry.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "archive/ArchiveReader.h"
#include "platform/AnsiCodePage.h"
#include "platform/Files.h"

namespace quill::test {
namespace {
namespace fs = std::filesystem;

struct Entry {
  std::string name;
  std::string data;
  bool directory = false;
};

bool ReadEntries(const std::string& path, std::vector<Entry>& entries) {
  archive::ArchiveReader reader;
  if (!reader.Open(path)) return false;
  for (const archive::EntryInfo& info : reader.entries()) {
    std::string error;
    Entry entry{info.name, {}, info.directory};
    if (!info.directory) {
      const auto data = reader.Read(info, 1u << 30, error);
      if (!data) return false;
      entry.data = *data;
    }
    entries.push_back(std::move(entry));
  }
  return true;
}

bool WriteEntries(const std::string& path, const std::vector<Entry>& entries,
                  const std::string& password) {
  std::unique_ptr<::archive, decltype(&archive_write_free)> writer(archive_write_new(),
                                                                   archive_write_free);
  archive_write_set_format_zip(writer.get());
  const std::string charset = "zip:hdrcharset=CP" + std::to_string(platform::AnsiCodePageId());
  if (archive_write_set_options(writer.get(), charset.c_str()) != ARCHIVE_OK) return false;
  if (!password.empty() &&
      (archive_write_set_options(writer.get(), "zip:encryption=zipcrypt") != ARCHIVE_OK ||
       archive_write_set_passphrase(writer.get(), platform::Utf8ToAnsi(password).c_str()) !=
           ARCHIVE_OK))
    return false;
#ifdef _WIN32
  if (archive_write_open_filename_w(writer.get(), platform::HostPath(path).c_str()) != ARCHIVE_OK)
#else
  if (archive_write_open_filename(writer.get(), path.c_str()) != ARCHIVE_OK)
#endif
    return false;
  for (const Entry& entry : entries) {
    std::unique_ptr<archive_entry, decltype(&archive_entry_free)> header(archive_entry_new(),
                                                                         archive_entry_free);
#ifdef _WIN32
    archive_entry_copy_pathname_w(header.get(), platform::HostPath(entry.name).c_str());
#else
    archive_entry_copy_pathname(header.get(), entry.name.c_str());
#endif
    archive_entry_set_filetype(header.get(), entry.directory ? AE_IFDIR : AE_IFREG);
    archive_entry_set_perm(header.get(), entry.directory ? 0755 : 0644);
    archive_entry_set_size(header.get(), static_cast<la_int64_t>(entry.data.size()));
    if (archive_write_header(writer.get(), header.get()) != ARCHIVE_OK) return false;
    if (!entry.data.empty() &&
        archive_write_data(writer.get(), entry.data.data(), entry.data.size()) !=
            static_cast<la_ssize_t>(entry.data.size()))
      return false;
  }
  return archive_write_close(writer.get()) == ARCHIVE_OK;
}

std::string ReadWhole(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

bool CopyAsWindowsProgram(const std::string& from, const std::string& to,
                          const std::string& password) {
  std::vector<Entry> entries;
  if (!ReadEntries(from, entries)) return false;
  const std::string scratch = to + ".inner";
  for (Entry& entry : entries) {
    if (!entry.name.ends_with(".zip")) continue;
    {
      std::ofstream out(platform::HostPath(scratch), std::ios::binary | std::ios::trunc);
      out << entry.data;
    }
    std::vector<Entry> inner;
    if (!ReadEntries(scratch, inner) || !WriteEntries(scratch, inner, "")) return false;
    entry.data = ReadWhole(platform::HostPath(scratch));
  }
  std::error_code error;
  fs::remove(platform::HostPath(scratch), error);
  return WriteEntries(to, entries, password);
}

}  // namespace quill::test

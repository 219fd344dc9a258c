#include "SampleProfile.h"

#ifdef _WIN32
#include <cstdlib>
#else
#include <pwd.h>
#include <unistd.h>
#endif

#include <stdexcept>
#include <system_error>

#include "SampleContent.h"
#include "SampleMailStore.h"
#include "SampleRandom.h"
#include "SampleRegistry.h"
#include "TreeWriter.h"

namespace quill::sample {
namespace fs = std::filesystem;

namespace {

// 2012-06-01 00:00:00 UTC, the mail client's heyday; a seed moves the sample's time up to a
// year later.
constexpr std::int64_t kBaseSeconds = 1338508800;
constexpr std::uint64_t kTicks1601To1970 = 116444736000000000ULL;
constexpr std::uint64_t kTicksPerSecond = 10000000ULL;

std::int64_t SampleTime(std::uint64_t seed) {
  // SplitMix64 finaliser: neighbouring seeds give unrelated times.
  std::uint64_t z = seed + 0x9E3779B97F4A7C15ULL;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  z ^= z >> 31;
  return kBaseSeconds + static_cast<std::int64_t>(z % (365ULL * 86400));
}

void WriteContacts(TreeWriter& tree, const std::string& contacts, SampleRandom& random) {
  static constexpr std::string_view kIdentities[] = {
      "{8F3B2E1A-6C5D-4E7F-9A0B-1C2D3E4F5A6B}",
      "{2A4C6E8F-1B3D-4F5A-8C7E-9D0F1A2B3C4D}",
  };
  for (const std::string_view identity : kIdentities) {
    const std::string base = contacts + "/" + std::string(identity) + "/DBStore";
    tree.File(base + "/contacts.edb", [&](ByteSink& sink) {
      WriteDatabase(sink, random, 256 * 1024, 8192, kDatabaseSignature);
    });
    tree.File(base + "/edb.chk",
              [&](ByteSink& sink) { WriteDatabase(sink, random, 8192, 4096, "CHK"); });
    for (const std::string_view log : {"edb.log", "edb00001.log", "edbres00001.jrs"}) {
      tree.File(base + "/" + std::string(log),
                [&](ByteSink& sink) { WriteDatabase(sink, random, 64 * 1024, 4096, "LOG"); });
    }
    tree.Directory(base + "/LogFiles");
    tree.File(base + "/LogFiles/edbtmp.log",
              [&](ByteSink& sink) { WriteDatabase(sink, random, 16 * 1024, 4096, "LOG"); });
  }
}

void WriteStationery(TreeWriter& tree, const std::string& documents, SampleRandom& random) {
  const std::string folder = documents + "/My Stationery";
  tree.File(folder + "/Autumn.htm", MakeStationery("Autumn", "Autumn.jpg", "Dear friend,"));
  tree.File(folder + "/Autumn.jpg", MakeJpeg(random, 24 * 1024));
  tree.File(folder + "/Grüße.htm",
            MakeStationery("Grüße", "Grüße.jpg", "Liebe Grüße aus dem schönen Köln!"));
  tree.File(folder + "/Grüße.jpg", MakeJpeg(random, 18 * 1024));
  tree.File(folder + "/Notebook.htm", MakeStationery("Notebook", "Notebook.gif", "Notes:"));
  tree.File(folder + "/Notebook.gif", MakeGif());
  tree.File(documents + "/signature.htm",
            "<HTML><BODY><DIV>Anna Example</DIV><DIV>Grüße aus Wien</DIV></BODY></HTML>\r\n");
}

void WritePrefix(TreeWriter& tree, const SampleOptions& options, SampleSummary& summary) {
  SampleRandom random(options.seed);
  const std::int64_t now = SampleTime(options.seed);
  const std::uint64_t ticks = kTicks1601To1970 + static_cast<std::uint64_t>(now) * kTicksPerSecond;

  const SampleRegistryFiles registry = BuildSampleRegistry(options.user, ticks);
  tree.File("system.reg", registry.system);
  tree.File("user.reg", registry.user);
  if (options.driveLinks) {
    tree.Symlink("dosdevices/c:", "../drive_c");
    tree.Symlink("dosdevices/z:", "/");
  }

  tree.Directory("drive_c/windows/system32");
  const std::string programFolder = "drive_c/" + std::string(kMailProgramFolder);
  tree.File(programFolder + "/wlmail.exe",
            std::string("MZ\x90\x00", 4) + "placeholder for the mail client's program\r\n");

  const std::string profile = "drive_c/users/" + options.user;
  for (const char* folder : {"/Documents", "/AppData/Roaming", "/Temp"}) {
    tree.Directory(profile + folder);
  }
  const std::string local = profile + "/AppData/Local";
  const MailStoreTotals mail = WriteMailStore(tree, local + "/Microsoft/Windows Live Mail", random,
                                              options.messageBytes, now);
  WriteContacts(tree, local + "/Microsoft/Windows Live Contacts", random);
  WriteStationery(tree, profile + "/Documents", random);
  tree.StampTimes(now);

  summary.messages = mail.messages;
  summary.messageBytes = mail.messageBytes;
}

}  // namespace

std::optional<std::string> CheckUserName(std::string_view name) {
  if (name.empty()) return "the user name is empty";
  if (name == "." || name == "..") return "the user name cannot be \".\" or \"..\"";
  if (name.size() > 64) return "the user name is longer than 64 bytes";
  for (const char c : name) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
      return "the user name holds a control character";
    }
    // Characters that cannot stand in a Windows file name, '/' and '\' above all: the name
    // becomes a folder below drive_c/users.
    if (std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos) {
      return std::string("the user name holds '") + c + "', which no folder name may hold";
    }
  }
  if (name.back() == '.' || name.back() == ' ') return "the user name ends in '.' or a blank";
  return std::nullopt;
}

std::string CallerUserName() {
#ifdef _WIN32
  const char* name = std::getenv("USERNAME");
  return name != nullptr ? name : "";
#else
  const struct passwd* entry = ::getpwuid(::getuid());
  if (entry != nullptr && entry->pw_name != nullptr) return entry->pw_name;
  return {};
#endif
}

SampleSummary WriteSampleProfile(const SampleOptions& options) {
  if (const auto problem = CheckUserName(options.user)) throw std::runtime_error(*problem);
  const fs::path& directory = options.directory;
  if (directory.empty()) throw std::runtime_error("no folder given");

  std::error_code error;
  const fs::file_status status = fs::symlink_status(directory, error);
  bool created = false;
  if (fs::exists(status)) {
    if (!fs::is_directory(status)) {
      throw std::runtime_error(directory.string() + " exists and is not a folder");
    }
    if (!fs::is_empty(directory, error) || error) {
      throw std::runtime_error(directory.string() + " exists and is not empty");
    }
  } else {
    fs::create_directories(directory, error);
    if (error) {
      throw std::runtime_error("cannot create " + directory.string() + ": " + error.message());
    }
    created = true;
  }

  TreeWriter tree(directory);
  SampleSummary summary;
  try {
    WritePrefix(tree, options, summary);
  } catch (...) {
    // Leave nothing half-made. The folder was empty or missing, so all it holds now is
    // ours; remove_all does not follow the links to the drives.
    std::error_code ignored;
    if (created) {
      fs::remove_all(directory, ignored);
    } else {
      for (const auto& entry : fs::directory_iterator(directory, ignored)) {
        fs::remove_all(entry.path(), ignored);
      }
    }
    throw;
  }
  const TreeCounts& counts = tree.counts();
  summary.files = counts.files;
  summary.directories = counts.directories;
  summary.links = counts.links;
  summary.bytes = counts.bytes;
  return summary;
}

}  // namespace quill::sample

// Any set of files, names and sizes the input describes, written as a backup is: an inner
// archive of a folder, loose files and data entries, with or without a password. What is
// written always passes the layout check and reads back, entry for entry, byte for byte.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "FuzzFile.h"
#include "archive/ArchiveReader.h"
#include "archive/ArchiveWriter.h"
#include "archive/ZipLayout.h"

namespace {
namespace fs = std::filesystem;
using quill::archive::ArchiveReader;
using quill::archive::ArchiveWriter;

// Name pieces: plain, code-page and beyond-the-code-page text.
constexpr const char* kPieces[] = {"a",
                                   "Inbox",
                                   "Gr\xc3\xbc\xc3\x9f"
                                   "e",
                                   "\xe6\x97\xa5",
                                   "x.eml",
                                   " ",
                                   "-",
                                   "\xd0\x96",
                                   "1"};

struct Input {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t at = 0;
  std::uint8_t Next() { return at < size ? data[at++] : 0; }
  bool More() const { return at < size; }
};

std::string Name(Input& in) {
  std::string name;
  const int pieces = 1 + in.Next() % 3;
  for (int i = 0; i < pieces; ++i) name += kPieces[in.Next() % std::size(kPieces)];
  return name;
}

std::string Content(Input& in) {
  const std::uint8_t kind = in.Next();
  std::size_t size = static_cast<std::size_t>(in.Next()) << (kind % 12);
  // Now and then a file long enough to be packed in pieces.
  if (kind == 0xFF) size = (4u << 20) + in.Next() * 4099u;
  std::string bytes(size, '\0');
  std::uint32_t state = in.Next() + 1u;
  for (char& c : bytes) {
    state = state * 1103515245u + 12345u;
    c = static_cast<char>(kind & 1 ? 'a' + (state >> 24) % 4 : state >> 24);
  }
  return bytes;
}

void Write(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in{data, size};
  const fs::path root = quill::fuzz::ScratchFolder() / "writer";
  fs::remove_all(root);
  const std::string password = in.Next() & 1 ? "pw \xc3\xa9" : "";
  std::map<std::string, std::string> outer, inner;
  ArchiveWriter zip((root / "out.wlm").string());
  for (int count = 0; in.More() && count < 40; ++count) {
    const std::uint8_t op = in.Next() % 4;
    const std::string name = Name(in);
    if (op == 0 || op == 1) {
      // A file of the folder that becomes the inner archive, a folder deep when op is 1.
      const std::string relative = op == 1 ? "sub/" + name : name;
      if (inner.contains(relative) || inner.contains(relative + "/")) continue;
      inner[relative] = Content(in);
      Write(root / "folder" / relative, inner[relative]);
    } else if (op == 2) {
      const std::string bytes = Content(in);
      if (outer.contains(name + ".dat")) continue;
      outer[name + ".dat"] = bytes;
      zip.AddData(name + ".dat", bytes);
    } else {
      const std::string file = name + ".bin";
      if (outer.contains(file)) continue;
      outer[file] = Content(in);
      Write(root / "files" / file, outer[file]);
      Check(zip.AddFile((root / "files" / file).string()));
    }
  }
  fs::create_directories(root / "folder" / "empty");
  inner["empty/"] = "";
  Check(zip.AddFolderArchive("inner.zip", (root / "folder").string()));
  Check(zip.Write(password));

  const std::string file = (root / "out.wlm").string();
  Check(quill::archive::ZipLayoutProblem(file).empty());
  ArchiveReader reader;
  Check(reader.Open(file));
  reader.SetPassword(password);
  Check(reader.entries().size() == outer.size() + 1);
  std::string error;
  for (const auto& [name, bytes] : outer) {
    const auto* entry = reader.Find(name);
    Check(entry != nullptr && reader.Read(*entry, 64u << 20, error) == bytes);
  }
  Check(static_cast<bool>(reader.Extract(*reader.Find("inner.zip"), (root / "x").string())));
  ArchiveReader archive;
  Check(archive.Open((root / "x" / "inner.zip").string()));
  Check(quill::archive::ZipLayoutProblem((root / "x" / "inner.zip").string()).empty());
  Check(archive.entries().size() == inner.size());
  for (const auto& [name, bytes] : inner) {
    const auto* entry = archive.Find(name);
    Check(entry != nullptr);
    if (!entry->directory) Check(archive.Read(*entry, 64u << 20, error) == bytes);
  }
  fs::remove_all(root);
  return 0;
}

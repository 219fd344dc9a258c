// quillstow-archive pack ARCHIVE FOLDER [PASSWORD]
// quillstow-archive unpack ARCHIVE FOLDER [PASSWORD]
// Packs a folder the way a backup packs an account folder, or unpacks an archive.

#include <iostream>
#include <string>

#include "archive/ArchiveReader.h"
#include "archive/ArchiveWriter.h"

int main(int argc, char** argv) {
  if (argc < 4 || (std::string(argv[1]) != "pack" && std::string(argv[1]) != "unpack")) {
    std::cerr << "usage: quillstow-archive pack|unpack ARCHIVE FOLDER [PASSWORD]\n";
    return 2;
  }
  const std::string mode = argv[1];
  const std::string archive = argv[2];
  const std::string folder = argv[3];
  const std::string password = argc > 4 ? argv[4] : "";
  std::string error;
  if (mode == "pack") {
    quill::archive::ArchiveWriter zip(archive);
    if (!zip.AddFolderContents(folder) || !zip.Write(password)) error = zip.error();
  } else {
    quill::archive::ArchiveReader zip;
    if (zip.Open(archive)) {
      zip.SetPassword(password);
      if (!zip.CheckPassword()) error = zip.error();
      if (error.empty()) error = zip.ExtractAll(folder).error;
    } else {
      error = zip.error();
    }
  }
  if (!error.empty()) std::cerr << "quillstow-archive: " << error << '\n';
  return error.empty() ? 0 : 1;
}

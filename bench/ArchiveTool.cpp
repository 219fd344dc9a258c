// quillstow-archive pack ARCHIVE FOLDER [PASSWORD]
// quillstow-archive unpack ARCHIVE FOLDER [PASSWORD]
// Packs a folder the way a backup packs an account folder, or unpacks an archive.

#include <iostream>
#include <string>

#include "archive/ZipComponent.h"

int main(int argc, char** argv) {
  if (argc < 4 || (std::string(argv[1]) != "pack" && std::string(argv[1]) != "unpack")) {
    std::cerr << "usage: quillstow-archive pack|unpack ARCHIVE FOLDER [PASSWORD]\n";
    return 2;
  }
  const std::string mode = argv[1];
  const std::string archive = argv[2];
  const std::string folder = argv[3];
  const std::string password = argc > 4 ? argv[4] : "";
  quill::archive::ZipComponent zip;
  bool ok;
  if (mode == "pack") {
    zip.NewZip(archive);
    ok = zip.AppendFiles(folder + "/*.*", true);
    zip.SetPassword(password);
    zip.SetPasswordProtect(!password.empty());
    ok = ok && zip.WriteZip();
  } else {
    ok = zip.OpenZip(archive);
    zip.SetDecryptPassword(password);
    ok = ok && zip.VerifyPassword() && zip.UnzipAll(folder);
  }
  if (!ok) std::cerr << "quillstow-archive: " << zip.lastError() << '\n';
  return ok ? 0 : 1;
}

// Any file inspected as a backup: opening, the password check, reading every entry and
// unpacking it never crash and never write outside the target folder.

#include <cstdint>
#include <filesystem>

#include "FuzzFile.h"
#include "archive/ArchiveReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  namespace fs = std::filesystem;
  const std::string file = quill::fuzz::WriteInput(data, size, "input.wlm");
  const fs::path target = quill::fuzz::ScratchFolder() / "out" / "inner";
  fs::remove_all(target.parent_path());
  fs::create_directories(target);
  quill::archive::ArchiveReader zip;
  (void)quill::archive::ArchiveReader::IsPasswordProtected(file);
  if (zip.Open(file)) {
    zip.SetPassword("pw");
    (void)zip.CheckPassword();
    // One file at a time, or side by side as a restore unpacks an inner archive.
    zip.SetThreads(1 + size % 2);
    (void)zip.ExtractAll(target.string());
  }
  // Nothing may land beside the target folder.
  for (const auto& entry : fs::directory_iterator(target.parent_path()))
    if (entry.path() != target) __builtin_trap();
  return 0;
}

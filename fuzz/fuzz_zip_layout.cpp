// Any file judged by where its entries lie: the layout check never crashes nor reads past
// what it read, and an archive that passes it and opens reads every entry within what its
// headers say.

#include <cstdint>

#include "FuzzFile.h"
#include "archive/ArchiveReader.h"
#include "archive/ZipLayout.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string file = quill::fuzz::WriteInput(data, size, "input.zip");
  (void)quill::archive::ZipLayoutProblem(file);
  quill::archive::ArchiveReader zip;
  if (zip.Open(file)) (void)zip.TestAll(nullptr);
  return 0;
}

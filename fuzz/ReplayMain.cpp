// Replays a fuzz target's saved corpus without libFuzzer: every file of the folder given
// goes through LLVMFuzzerTestOneInput once, in name order. A target stops the process on a
// finding, so the replay passes when it returns.
//   replay_<target> CORPUS_FOLDER

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "FuzzFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::vector<std::filesystem::path> CorpusFiles(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    if (entry.is_regular_file()) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: " << argv[0] << " CORPUS_FOLDER\n";
    return 2;
  }
  const auto files = CorpusFiles(argv[1]);
  if (files.empty()) {
    std::cerr << argv[1] << " holds no input\n";
    return 1;
  }
  for (const auto& file : files) {
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  }
  std::error_code error;
  std::filesystem::remove_all(quill::fuzz::ScratchFolder(), error);
  std::cout << files.size() << " inputs replayed\n";
  return 0;
}

#pragma once
// A scratch file for one fuzz input.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace quill::fuzz {

inline std::filesystem::path ScratchFolder() {
  static const std::filesystem::path folder = [] {
    const auto path =
        std::filesystem::temp_directory_path() / ("quillstow-fuzz-" + std::to_string(getpid()));
    std::filesystem::create_directories(path);
    return path;
  }();
  return folder;
}

inline std::string WriteInput(const std::uint8_t* data, std::size_t size, const char* name) {
  const auto path = ScratchFolder() / name;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file != nullptr) {
    std::fwrite(data, 1, size, file);
    std::fclose(file);
  }
  return path.string();
}

}  // namespace quill::fuzz

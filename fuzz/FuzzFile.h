#pragma once
// A scratch file for one fuzz input.

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace quill::fuzz {

inline std::filesystem::path ScratchFolder() {
  static const std::filesystem::path folder = [] {
    const auto path =
#ifdef _WIN32
        std::filesystem::temp_directory_path() / ("quillstow-fuzz-" + std::to_string(_getpid()));
#else
        std::filesystem::temp_directory_path() / ("quillstow-fuzz-" + std::to_string(getpid()));
#endif
    std::filesystem::create_directories(path);
    return path;
  }();
  return folder;
}

inline std::string WriteInput(const std::uint8_t* data, std::size_t size, const char* name) {
  const auto path = ScratchFolder() / name;
#ifdef _WIN32
  std::FILE* file = _wfopen(path.c_str(), L"wb");
#else
  std::FILE* file = std::fopen(path.c_str(), "wb");
#endif
  if (file != nullptr) {
    std::fwrite(data, 1, size, file);
    std::fclose(file);
  }
  // The program's paths are UTF-8 text.
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace quill::fuzz

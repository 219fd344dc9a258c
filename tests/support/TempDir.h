#pragma once
// Temporary folders and the file helpers the tests share, on Linux and on Windows alike.

#include <cstddef>
#include <filesystem>
#include <map>
#include <string>

namespace quill::test {

// A temporary folder removed with everything in it when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::string text() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& content);
std::string FixtureText(const std::string& name);

// Every file and folder below root: UTF-8 relative path, '/' between folders -> content ("/"
// marks a folder).
std::map<std::string, std::string> Tree(const std::filesystem::path& root);
// size bytes that do not compress, the same for the same seed.
std::string RandomBytes(std::size_t size, unsigned seed);

}  // namespace quill::test

#pragma once
// Writes the files of the sample tree below one root folder and counts what it wrote.
// Paths are UTF-8 texts relative to the root, with '/' between their parts.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace quill::sample {

// Where bytes go: a file or, in tests, a string.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  virtual void Write(std::string_view bytes) = 0;
};

class StringSink : public ByteSink {
 public:
  void Write(std::string_view bytes) override { text.append(bytes); }
  std::string text;
};

// A file written through a large buffer. Throws std::runtime_error naming the file when
// the system refuses a write.
class FileSink : public ByteSink {
 public:
  explicit FileSink(const std::filesystem::path& path);
  ~FileSink() override;
  FileSink(const FileSink&) = delete;
  FileSink& operator=(const FileSink&) = delete;

  void Write(std::string_view bytes) override;
  // Flushes and closes the file; throws when that fails.
  void Close();
  std::uint64_t written() const { return written_; }

 private:
  std::filesystem::path path_;
  std::FILE* file_ = nullptr;
  std::uint64_t written_ = 0;
};

struct TreeCounts {
  std::uint64_t files = 0;
  std::uint64_t directories = 0;
  std::uint64_t links = 0;
  std::uint64_t bytes = 0;  // sum of the file sizes
};

class TreeWriter {
 public:
  explicit TreeWriter(std::filesystem::path root);

  const std::filesystem::path& root() const { return root_; }
  std::filesystem::path HostPath(std::string_view relative) const;

  // Creates the folder and its missing parents.
  void Directory(std::string_view relative);
  // Writes a file (creating its folder); returns its size.
  std::uint64_t File(std::string_view relative, std::string_view content);
  std::uint64_t File(std::string_view relative, const std::function<void(ByteSink&)>& produce);
  void Symlink(std::string_view relative, std::string_view target);

  // Sets the modification time of everything below the root, and of the root, to one
  // instant, so that archives made of the tree come out the same on every run. Links
  // themselves are stamped, never what they point to.
  void StampTimes(std::int64_t unixSeconds) const;

  const TreeCounts& counts() const { return counts_; }

 private:
  void MakeDirectories(const std::filesystem::path& path);

  std::filesystem::path root_;
  TreeCounts counts_;
};

}  // namespace quill::sample

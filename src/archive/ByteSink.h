#pragma once
// Where a ZIP writer's bytes go: a new file on disk, or the data of an entry of another
// archive that is being written (an inner archive goes into the backup file as it is made).

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "archive/ZipCrypto.h"
#include "platform/Files.h"

namespace quill::archive {

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // False when the bytes could not be written (a full disk, a write error).
  virtual bool Put(const std::uint8_t* bytes, std::size_t size) = 0;
  // Every byte put so far.
  virtual std::uint64_t Written() const = 0;
};

// A file made new at its path (never through what stood there), written through a buffer.
class FileSink : public ByteSink {
 public:
  bool Create(const std::filesystem::path& path, std::string& error);
  bool Put(const std::uint8_t* bytes, std::size_t size) override;
  std::uint64_t Written() const override { return written_; }
  // Writes what is buffered, flushes it to the disk when durable, and closes the file.
  bool Close(bool durable);

 private:
  bool Flush();

  platform::NewFile file_;
  std::vector<std::uint8_t> buffer_;
  std::uint64_t written_ = 0;
};

// The data of an entry being written into another sink: the plain bytes are counted and
// their CRC taken, then encrypted with the entry's coder when it has one.
class EntrySink : public ByteSink {
 public:
  EntrySink(ByteSink& out, std::optional<ZipCrypto> coder) : out_(out), coder_(coder) {}
  bool Put(const std::uint8_t* bytes, std::size_t size) override;
  std::uint64_t Written() const override { return written_; }
  std::uint32_t crc() const { return crc_; }

 private:
  ByteSink& out_;
  std::optional<ZipCrypto> coder_;
  std::vector<std::uint8_t> scratch_;
  std::uint64_t written_ = 0;
  std::uint32_t crc_ = 0;
};

}  // namespace quill::archive

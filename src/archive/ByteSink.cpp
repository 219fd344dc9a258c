#include "archive/ByteSink.h"

#include <algorithm>

#include "archive/EntryPacking.h"

namespace quill::archive {
namespace {
constexpr std::size_t kFileBuffer = 1 << 20;
}

bool FileSink::Create(const std::filesystem::path& path, std::string& error) {
  buffer_.reserve(kFileBuffer);
  return file_.Create(path, error);
}

bool FileSink::Flush() {
  const bool written =
      buffer_.empty() || file_.Write(reinterpret_cast<const char*>(buffer_.data()), buffer_.size());
  buffer_.clear();
  return written;
}

bool FileSink::Put(const std::uint8_t* bytes, std::size_t size) {
  written_ += size;
  if (buffer_.size() + size > kFileBuffer && !Flush()) return false;
  if (size >= kFileBuffer) return file_.Write(reinterpret_cast<const char*>(bytes), size);
  buffer_.insert(buffer_.end(), bytes, bytes + size);
  return true;
}

bool FileSink::Close(bool durable) {
  const bool flushed = Flush() && (!durable || file_.Sync());
  return file_.Close() && flushed;
}

bool EntrySink::Put(const std::uint8_t* bytes, std::size_t size) {
  crc_ = Crc32(crc_, bytes, size);
  written_ += size;
  if (!coder_) return out_.Put(bytes, size);
  scratch_.assign(bytes, bytes + size);
  coder_->Encrypt(scratch_.data(), scratch_.size());
  return out_.Put(scratch_.data(), scratch_.size());
}

}  // namespace quill::archive

#include "disc/burn/DiscVerifier.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>

#include <libburn/libburn.h>
#include <libisofs/libisofs.h>

#include "disc/burn/Libraries.h"
#include "platform/Files.h"

using namespace burn;

namespace quill::disc {

namespace {

constexpr std::size_t kBlock = 2048;
constexpr std::size_t kChunk = 32 * kBlock;

// The disc's blocks as libisofs reads them, through the drive, a chunk at a time.
struct DriveReader {
  burn_drive* drive = nullptr;
  std::vector<char> cache = std::vector<char>(kChunk);
  off_t cacheStart = -1;
  off_t cacheLength = 0;

  bool Fill(off_t address) {
    off_t count = 0;
    // bit 1: a read error is this caller's to report, not libburn's message queue's.
    if (burn_read_data(drive, address, cache.data(), kChunk, &count, 2) <= 0 ||
        count < static_cast<off_t>(kBlock)) {
      count = 0;
      if (burn_read_data(drive, address, cache.data(), kBlock, &count, 2) <= 0 ||
          count < static_cast<off_t>(kBlock))
        return cacheStart = -1, false;
    }
    cacheStart = address;
    cacheLength = count;
    return true;
  }

  bool Read(std::uint32_t lba, std::uint8_t* buffer) {
    const off_t address = static_cast<off_t>(lba) * static_cast<off_t>(kBlock);
    if (cacheStart < 0 || address < cacheStart ||
        address + static_cast<off_t>(kBlock) > cacheStart + cacheLength) {
      if (!Fill(address)) return false;
    }
    std::memcpy(buffer, cache.data() + (address - cacheStart), kBlock);
    return true;
  }
};

int SourceOpen(IsoDataSource*) {
  return ISO_SUCCESS;
}
int SourceClose(IsoDataSource*) {
  return ISO_SUCCESS;
}
int SourceRead(IsoDataSource* source, std::uint32_t lba, std::uint8_t* buffer) {
  return static_cast<DriveReader*>(source->data)->Read(lba, buffer) ? ISO_SUCCESS
                                                                    : ISO_DATA_SOURCE_FAILURE;
}
void SourceFree(IsoDataSource* source) {
  delete static_cast<DriveReader*>(source->data);
}

struct ImageDeleter {
  void operator()(IsoImage* image) const { iso_image_unref(image); }
};
using ImagePtr = std::unique_ptr<IsoImage, ImageDeleter>;

// The disc's file system as libisofs reads it; nullptr when it cannot be read.
ImagePtr ImportDisc(burn_drive* drive) {
  // libisofs frees the struct itself with free() when its last reference goes.
  auto* source = static_cast<IsoDataSource*>(std::calloc(1, sizeof(IsoDataSource)));
  if (source == nullptr) return nullptr;
  source->refcount = 1;
  source->open = SourceOpen;
  source->close = SourceClose;
  source->read_block = SourceRead;
  source->free_data = SourceFree;
  source->data = new DriveReader{drive};
  IsoImage* image = nullptr;
  IsoReadOpts* opts = nullptr;
  ImagePtr result;
  if (iso_image_new("verify", &image) >= 0) {
    result.reset(image);
    if (iso_read_opts_new(&opts, 0) < 0 || iso_image_import(image, source, opts, nullptr) < 0)
      result.reset();
  }
  if (opts != nullptr) iso_read_opts_free(opts);
  iso_data_source_unref(source);
  return result;
}

std::string DiscPath(const std::string& imagePath) {
  std::string path = imagePath;
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

// Reads up to size bytes; fewer only at the end or on an error (then negative).
long ReadFull(IsoStream* stream, char* buffer, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const int got = iso_stream_read(stream, buffer + done, size - done);
    if (got < 0) return -1;
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return static_cast<long>(done);
}

int CompareContent(IsoStream* stream, std::ifstream& source) {
  std::vector<char> disc(kChunk), original(kChunk);
  for (;;) {
    const long got = ReadFull(stream, disc.data(), kChunk);
    if (got < 0) return kVerifyDiscUnreadable;
    source.read(original.data(), static_cast<std::streamsize>(kChunk));
    const auto read = source.gcount();
    if (source.bad()) return kVerifySourceUnreadable;
    if (read != got ||
        std::memcmp(disc.data(), original.data(), static_cast<std::size_t>(got)) != 0)
      return kVerifyContentDiffers;
    if (got == 0) return kVerifyMatched;
  }
}

int VerifyOne(IsoImage* image, const ImageItem& item) {
  std::ifstream source(platform::HostPath(item.SourcePath), std::ios::binary);
  if (!source) return kVerifySourceUnreadable;
  std::error_code error;
  const auto sourceSize = std::filesystem::file_size(platform::HostPath(item.SourcePath), error);
  if (error) return kVerifySourceUnreadable;
  IsoNode* node = nullptr;
  if (image == nullptr ||
      iso_tree_path_to_node(image, DiscPath(item.ImagePath).c_str(), &node) != 1 ||
      iso_node_get_type(node) != LIBISO_FILE)
    return kVerifyDiscUnreadable;
  IsoStream* stream = iso_file_get_stream(reinterpret_cast<IsoFile*>(node));
  if (static_cast<std::uintmax_t>(iso_stream_get_size(stream)) != sourceSize)
    return kVerifySizeDiffers;
  if (iso_stream_open(stream) < 0) return kVerifyDiscUnreadable;
  const int result = CompareContent(stream, source);
  iso_stream_close(stream);
  return result;
}

}  // namespace

int VerifyDisc(burn_drive* drive, const std::vector<ImageItem>& files, DiscEvents& events,
               const std::atomic<bool>& abort) {
  StartDiscLibraries();
  const int total = static_cast<int>(files.size());
  events.VerifyStarted(total);
  ImagePtr image = ImportDisc(drive);
  int matched = 0;
  int done = 0;
  for (const auto& item : files) {
    const int result = abort ? kVerifySkipped : VerifyOne(image.get(), item);
    if (result == kVerifyMatched) ++matched;
    events.VerifyFile(item, result, ++done, total);
  }
  events.VerifyDone(total, matched);
  return matched;
}

void FinishWrite(const WriteOptions& options, const std::function<void()>& verify,
                 DiscEvents& events, const std::atomic<bool>& abort) {
  if (options.autoVerify && !options.testWrite) {
    verify();
    // Cancel pressed during the verify: the write is reported as cancelled, not as a
    // verify that failed.
    if (abort) return events.WriteStatus(0, kStatusCancelled);
  }
  events.WriteStatus(100, kStatusCompleted);
}

}  // namespace quill::disc

#include "disc/imapi/DiscReadBack.h"

#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/Files.h"

namespace quill::disc {

namespace {

constexpr std::size_t kChunk = 64 * 2048;

int CompareContent(DiscFileReader& disc, std::ifstream& source) {
  std::vector<char> fromDisc(kChunk), original(kChunk);
  for (;;) {
    const long got = disc.Read(fromDisc.data(), kChunk);
    if (got < 0) return kVerifyDiscUnreadable;
    source.read(original.data(), static_cast<std::streamsize>(kChunk));
    if (source.bad()) return kVerifySourceUnreadable;
    if (source.gcount() != got ||
        std::memcmp(fromDisc.data(), original.data(), static_cast<std::size_t>(got)) != 0)
      return kVerifyContentDiffers;
    if (got == 0) return kVerifyMatched;
  }
}

int CompareOne(DiscService& service, const std::string& recorder, const ImageItem& item) {
  const auto sourcePath = platform::HostPath(item.SourcePath);
  std::ifstream source(sourcePath, std::ios::binary);
  std::error_code error;
  const auto sourceSize = std::filesystem::file_size(sourcePath, error);
  if (!source || error) return kVerifySourceUnreadable;
  const auto disc = service.OpenDiscFile(recorder, item.ImagePath);
  if (!disc) return kVerifyDiscUnreadable;
  const std::int64_t discSize = disc->Size();
  if (discSize < 0) return kVerifyDiscUnreadable;
  if (static_cast<std::uintmax_t>(discSize) != sourceSize) return kVerifySizeDiffers;
  return CompareContent(*disc, source);
}

}  // namespace

int ReadBackFiles(DiscService& service, const std::string& recorder,
                  const std::vector<ImageItem>& files, DiscEvents& events,
                  const std::atomic<bool>& abort) {
  const int total = static_cast<int>(files.size());
  events.VerifyStarted(total);
  int matched = 0;
  int done = 0;
  for (const auto& item : files) {
    const int result = abort ? kVerifySkipped : CompareOne(service, recorder, item);
    if (result == kVerifyMatched) ++matched;
    events.VerifyFile(item, result, ++done, total);
  }
  events.VerifyDone(total, matched);
  return matched;
}

}  // namespace quill::disc

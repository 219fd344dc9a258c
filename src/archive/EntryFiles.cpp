#include "archive/EntryFiles.h"

#include <chrono>
#include <fstream>
#include <utility>

#include "archive/EntryData.h"
#include "platform/Files.h"

namespace quill::archive {
namespace fs = std::filesystem;
using platform::HostPath;
using platform::PathText;

namespace {

// The most files, and packed bytes, one run writes.
constexpr std::size_t kRunFiles = 32;
constexpr std::uint64_t kRunBytes = 4 << 20;

}  // namespace

std::string SizeProblem(const EntryInfo& info, std::uint64_t bytes) {
  if (!info.regular || bytes == info.size) return std::string();
  return "it holds " + std::to_string(bytes) + " bytes, not the " + std::to_string(info.size) +
         " bytes its header gives";
}

FileWrite WriteEntryFile(const fs::path& path, const std::string& partialSuffix,
                         const EntryInfo& info, std::int64_t mtime, const ReadInto& read) {
  FileWrite result;
  const fs::path partial = path.parent_path() / HostPath(PathText(path.filename()) + partialSuffix);
  std::error_code code;
  {
    platform::NewFile out;
    if (!out.Create(partial, result.problem)) return result;
    bool written = true;
    std::string tooLong;
    const std::string problem = read([&](const char* piece, std::size_t size) {
      // The data stops where its header says it ends: no entry grows past its size.
      if (size > info.size - result.bytes) {
        tooLong = info.name + " holds more than the " + std::to_string(info.size) +
                  " bytes its header gives";
        return false;
      }
      if (!out.Write(piece, size)) {
        written = false;
        return false;
      }
      result.bytes += size;
      return true;
    });
    written = out.Close() && written;
    if (!tooLong.empty())
      result.problem = tooLong;
    else if (!problem.empty())
      result.problem = "cannot read " + info.name + ": " + problem;
    else if (!written)
      result.problem = "cannot write " + PathText(path);
    else if (const std::string size = SizeProblem(info, result.bytes); !size.empty())
      result.problem = "cannot read " + info.name + ": " + size;
    if (!result.problem.empty()) {
      fs::remove(partial, code);
      return result;
    }
  }
  fs::rename(partial, path, code);
  if (code) {
    fs::remove(partial, code);
    result.problem = "cannot write " + PathText(path);
    return result;
  }
  const auto time = std::chrono::sys_seconds(std::chrono::seconds(mtime));
  fs::last_write_time(path, std::chrono::file_clock::from_sys(time), code);
  return result;
}

FileWriteRuns::FileWriteRuns(fs::path archive, std::string password, unsigned threads,
                             Written written)
    : archive_(std::move(archive)),
      password_(std::move(password)),
      written_(std::move(written)),
      pool_(threads) {}

void FileWriteRuns::Add(File file, const std::vector<std::string>& keys) {
  busy_.insert(keys.begin(), keys.end());
  gatheredBytes_ += file.record.packed;
  gathered_.push_back(std::move(file));
  if (gathered_.size() >= kRunFiles || gatheredBytes_ >= kRunBytes) HandOut();
}

void FileWriteRuns::HandOut() {
  if (gathered_.empty()) return;
  Run run;
  run.files = gathered_;
  run.result = pool_.Submit(
      [archive = archive_, password = password_, files = std::exchange(gathered_, {})] {
        std::ifstream in(archive, std::ios::binary);
        std::vector<FileWrite> done;
        for (const File& file : files) {
          done.push_back(WriteEntryFile(
              file.path, file.partialSuffix, file.info, file.mtime, [&](const TakePiece& take) {
                return ReadEntryData(in, file.record, password, take).problem;
              }));
          if (!done.back().problem.empty()) break;
        }
        return done;
      });
  out_.push_back(std::move(run));
  gatheredBytes_ = 0;
}

void FileWriteRuns::Settle(std::size_t keep) {
  if (keep == 0) HandOut();
  while (out_.size() > keep) {
    const std::vector<FileWrite> done = out_.front().result.get();
    const std::vector<File> files = std::move(out_.front().files);
    out_.pop_front();
    for (std::size_t i = 0; i < done.size() && failed_.empty(); ++i) {
      if (!done[i].problem.empty())
        failed_ = done[i].problem;
      else if (written_)
        written_(files[i], done[i].bytes);
    }
  }
  if (keep == 0) busy_.clear();
}

}  // namespace quill::archive

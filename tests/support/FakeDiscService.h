#pragma once
// A disc-writing service in memory for the IMAPI engine's tests: drives with the media a test
// sets, a write that reports the steps a test lists and then fails or puts the image's files
// on the disc, an erase likewise, and the disc's files read back from memory.

#include <algorithm>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "disc/imapi/DiscService.h"
#include "platform/Files.h"

namespace quill::test {

class FakeDiscService : public disc::DiscService {
 public:
  struct Drive {
    disc::ServiceRecorder recorder;
    disc::ServiceMedia media;
    std::map<std::string, std::string> files;  // the disc's files by image path
  };

  // What the test sets.
  disc::ServiceFailure startFailure;  // a code: the service is not there
  std::vector<Drive> drives;
  std::vector<disc::WriteProgress> writeSteps;
  std::function<void(const disc::WriteProgress&)> duringStep;  // runs before each step is told
  disc::ServiceFailure writeFailure;       // a code: the write fails after its steps
  std::function<void(Drive&)> afterWrite;  // changes the disc once written
  std::vector<int> eraseSteps;             // percentages
  disc::ServiceFailure eraseFailure;
  std::int64_t imageBlocks = -1;  // -1: the plan's files' sizes rounded up to blocks, plus 25
  // What the engine asked.
  std::vector<disc::ServiceWrite> writes;
  std::vector<std::pair<std::string, bool>> erases;  // recorder, full
  std::vector<disc::ImagePlan> plansSized;

  Drive& AddDrive(const std::string& name, std::vector<int> profiles, disc::ServiceMedia media) {
    drives.push_back({{"drive" + std::to_string(drives.size()), name, std::move(profiles)},
                      std::move(media),
                      {}});
    return drives.back();
  }

  bool Start(disc::ServiceFailure& failure) override {
    failure = startFailure;
    return startFailure.code == 0;
  }
  std::vector<disc::ServiceRecorder> Recorders() override {
    std::vector<disc::ServiceRecorder> recorders;
    for (const auto& drive : drives) recorders.push_back(drive.recorder);
    return recorders;
  }
  disc::ServiceMedia Media(const std::string& recorder) override { return Find(recorder).media; }
  std::int64_t ImageBlocks(const disc::ImagePlan& plan, disc::ServiceFailure&) override {
    plansSized.push_back(plan);
    if (imageBlocks >= 0) return imageBlocks;
    std::int64_t blocks = 25;
    for (const auto& entry : plan.entries)
      if (!entry.isFolder)
        blocks += (static_cast<std::int64_t>(Read(entry.sourcePath).size()) + 2047) / 2048;
    return blocks;
  }
  bool Write(const std::string& recorder, const disc::ServiceWrite& write,
             const disc::WriteListener& listener, disc::ServiceFailure& failure) override {
    writes.push_back(write);
    for (const auto& step : writeSteps) {
      if (duringStep) duringStep(step);
      if (!listener(step)) {
        failure = {static_cast<long>(0xC0AA0002), "The request was cancelled.", ""};
        return false;
      }
    }
    if (writeFailure.code != 0) return failure = writeFailure, false;
    Drive& drive = Find(recorder);
    for (const auto& entry : write.image.entries)
      if (!entry.isFolder) drive.files[entry.imagePath] = Read(entry.sourcePath);
    if (afterWrite) afterWrite(drive);
    return true;
  }
  bool Erase(const std::string& recorder, bool full, const disc::EraseListener& listener,
             disc::ServiceFailure& failure) override {
    erases.emplace_back(recorder, full);
    for (int percent : eraseSteps) listener(percent);
    if (eraseFailure.code != 0) return failure = eraseFailure, false;
    Find(recorder).files.clear();
    return true;
  }
  std::unique_ptr<disc::DiscFileReader> OpenDiscFile(const std::string& recorder,
                                                     const std::string& imagePath) override {
    const auto& files = Find(recorder).files;
    const auto found = files.find(imagePath);
    if (found == files.end()) return nullptr;
    return std::make_unique<Reader>(found->second);
  }
  bool Eject(const std::string&) override { return true; }
  bool CloseTray(const std::string&) override { return true; }

 private:
  class Reader : public disc::DiscFileReader {
   public:
    explicit Reader(std::string content) : content_(std::move(content)) {}
    std::int64_t Size() override { return static_cast<std::int64_t>(content_.size()); }
    long Read(char* buffer, std::size_t size) override {
      const std::size_t count = std::min(size, content_.size() - at_);
      std::copy_n(content_.data() + at_, count, buffer);
      at_ += count;
      return static_cast<long>(count);
    }

   private:
    std::string content_;
    std::size_t at_ = 0;
  };

  Drive& Find(const std::string& recorder) {
    for (auto& drive : drives)
      if (drive.recorder.id == recorder) return drive;
    throw std::out_of_range("no drive " + recorder);
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(platform::HostPath(path), std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
  }
};

}  // namespace quill::test

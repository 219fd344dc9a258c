#pragma once
// What the IMAPI engine asks of Windows' disc-writing service: the few operations it needs,
// in plain C++. ImapiService carries them out over the service's COM objects; the tests
// answer them from a table.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quill::disc {

// A drive the service can write with.
struct ServiceRecorder {
  std::string id;             // the service's unique id of the drive
  std::string name;           // vendor, product and drive letter, as the drive list shows it
  std::vector<int> profiles;  // the MMC profiles of every medium the drive takes
};

// The medium in a drive as the service sees it.
struct ServiceMedia {
  int profile = 0;  // the medium's MMC profile; 0: no medium
  bool blank = false;
  bool appendable = false;  // the data writer can add to it (blank, open or overwritable)
  bool erasable = false;    // the erase writer takes it
  std::int64_t freeSectors = 0;
  std::vector<int> writeSpeeds;  // sectors per second, as the drive offers them
};

// A failed call: the HRESULT, the service's text for it, and the source file it concerns.
struct ServiceFailure {
  long code = 0;
  std::string text;
  std::string path;
};

// The image file systems, as the service's FsiFileSystems bits.
enum FileSystemBits : int { kFsIso9660 = 1, kFsJoliet = 2, kFsUdf = 4 };

// One file or folder of the image to build; image paths are "\" separated.
struct PlannedEntry {
  bool isFolder = false;
  std::string imagePath;
  std::string sourcePath;
  std::int64_t date = 0;  // seconds since 1970, UTC: the date the disc shows
};

// The image the service builds: folders before what they hold.
struct ImagePlan {
  std::string volumeName;
  int fileSystems = kFsIso9660 | kFsJoliet | kFsUdf;
  int udfRevision = 0;  // 0: the service's choice; 0x102 where DVD players read it
  std::vector<PlannedEntry> entries;
};

struct ServiceWrite {
  ImagePlan image;
  int speed = 0;  // sectors per second; 0: as fast as the drive goes
  bool closeMedium = false;
  bool bufferProtection = true;
};

// The write's steps, as the service's data writer names them.
enum class WriteAction {
  ValidatingMedia = 0,
  FormattingMedia = 1,
  InitializingHardware = 2,
  CalibratingPower = 3,
  WritingData = 4,
  Finalization = 5,
  Completed = 6,
};

struct WriteProgress {
  WriteAction action = WriteAction::ValidatingMedia;
  std::int64_t startLba = 0;
  std::int64_t sectorCount = 0;
  std::int64_t lastWrittenLba = 0;
};

// Told each step of a write; answers false to have it cancelled.
using WriteListener = std::function<bool(const WriteProgress&)>;
// Told the erase's progress in percent.
using EraseListener = std::function<void(int percent)>;

// A file read back from the disc in a drive.
class DiscFileReader {
 public:
  virtual ~DiscFileReader() = default;
  virtual std::int64_t Size() = 0;
  // Up to size bytes; fewer only at the end; negative on a read error.
  virtual long Read(char* buffer, std::size_t size) = 0;
};

class DiscService {
 public:
  virtual ~DiscService() = default;
  // Reaches the service; false with the reason when it is not there (as under Wine).
  virtual bool Start(ServiceFailure& failure) = 0;
  virtual std::vector<ServiceRecorder> Recorders() = 0;
  virtual ServiceMedia Media(const std::string& recorder) = 0;
  // The image's size in 2048-byte blocks; negative with the failure when it cannot be built.
  virtual std::int64_t ImageBlocks(const ImagePlan& plan, ServiceFailure& failure) = 0;
  // Builds the image and writes it; returns when the write has ended.
  virtual bool Write(const std::string& recorder, const ServiceWrite& write,
                     const WriteListener& listener, ServiceFailure& failure) = 0;
  // Erases the medium; returns when the erase has ended.
  virtual bool Erase(const std::string& recorder, bool full, const EraseListener& listener,
                     ServiceFailure& failure) = 0;
  // The file at an image path on the disc now in the drive; nullptr when it is not there.
  virtual std::unique_ptr<DiscFileReader> OpenDiscFile(const std::string& recorder,
                                                       const std::string& imagePath) = 0;
  virtual bool Eject(const std::string& recorder) = 0;
  virtual bool CloseTray(const std::string& recorder) = 0;
};

}  // namespace quill::disc

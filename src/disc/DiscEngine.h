#pragma once
// The disc-writing component: drives and their media, the data image being compiled, the
// write with its verify, the erase, and the events that report on all of them. The windows
// use only these members; the libburn engine, the engine over Windows' disc-writing service
// and the in-memory fake of the tests all offer them.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quill::disc {

// The kinds of medium a drive reports (MediaInfo::MediaType).
enum MediaTypeCode : int {
  kMediaNone = 0,
  kMediaCdRom = 1,
  kMediaDvdRwSequential = 2,
  kMediaCdR = 3,
  kMediaCdRw = 4,
  kMediaDvdPlusRw = 5,
  kMediaDvdRom = 6,
  kMediaDvdR = 7,
  kMediaDvdRam = 8,
  kMediaDvdRwRestricted = 9,
  kMediaDvdRDualLayer = 10,
  kMediaDvdPlusR = 11,
  kMediaDvdPlusRDualLayer = 12,
  kMediaBdRom = 13,
  kMediaBdR = 14,
  kMediaBdRe = 15,
  kMediaFile = 16,  // a file or device written through a pseudo-drive
};

// What a drive can do (DiscDevice::HasCapability): erase one rewritable format each, and
// keep the write going when the data comes too slowly (buffer-underrun protection).
enum CapabilityCode : int {
  kCapabilityEraseDvdRwRestricted = 17,
  kCapabilityEraseCdRw = 19,
  kCapabilityEraseDvdRwSequential = 22,
  kCapabilityEraseDvdPlusRw = 23,
  kCapabilityEraseBdRe = 27,
  kCapabilityBufferProtection = 57,
};

// What is in the drive.
struct MediaInfo {
  int MediaType = kMediaNone;
  bool Writable = false;
  bool Rewritable = false;
};

// One file or folder of the image. Image paths are absolute and "\" separated; "\" alone
// is the root.
struct ImageItem {
  bool IsFolder = false;
  std::string Parent;  // the parent folder's image path
  std::string Name;
  std::string ImagePath;
  std::string SourcePath;
  std::string PreviousPath;  // before a rename
  double Size = 0;           // bytes
  std::int64_t Date = 0;     // seconds since 1970, UTC
};

struct DeviceError {
  int Code = 0;
  std::string Text1, Text2, Text3;
};

struct FileError {
  int Code = 0;
  std::string Text;
  std::string Path;
};

struct EngineError {
  int Kind = 0;
  std::string Text;
  DeviceError Device;
  FileError File;
  int SystemCode = 0;
};

// The text a message box shows for an engine error, by its kind.
std::string EngineErrorText(const EngineError& error);

// Write status codes.
enum WriteStatusCode {
  kStatusPreparing = 0,
  kStatusWriting = 2,  // 1, 2 and 3 all carry the write's progress
  kStatusClosingTrack = 4,
  kStatusLeadIn = 5,
  kStatusLeadOut = 6,
  kStatusUpdatingVolume = 8,
  kStatusCompleted = 9,
  kStatusCancelled = 10,
  kStatusError = 11,
};

// Verify results of one file.
enum VerifyResult {
  kVerifySourceUnreadable = 0,
  kVerifyDiscUnreadable = 1,
  kVerifyContentDiffers = 2,
  kVerifyMatched = 3,
  kVerifySkipped = 4,
  kVerifySizeDiffers = 5,
};

// Erase status codes.
enum EraseStatusCode { kEraseStarted = 0, kEraseProgress = 1, kEraseDone = 2, kEraseFailed = 3 };

// Everything the engine reports. Listeners override what they need; the engine raises the
// events on the thread that calls its members and Poll.
class DiscEvents {
 public:
  virtual ~DiscEvents() = default;
  virtual void WriteStatus(int /*progress*/, int /*status*/) {}
  virtual void WriteError(const EngineError& /*error*/) {}
  virtual void FileWarning(const FileError& /*error*/, bool& /*continueWrite*/) {}
  virtual void ReplaceFile(const ImageItem& /*existing*/, const std::string& /*newSource*/,
                           bool& /*replace*/) {}
  virtual void TrackRead(int /*track*/, int /*number*/, const std::string& /*text*/) {}
  virtual void VerifyStarted(int /*fileCount*/) {}
  virtual void VerifyFile(const ImageItem& /*item*/, int /*result*/, int /*done*/, int /*total*/) {}
  virtual void VerifyDone(int /*total*/, int /*matched*/) {}
  virtual void ItemAdded(const ImageItem& /*item*/) {}
  virtual void ItemRemoved(const ImageItem& /*item*/) {}
  virtual void ItemRenamed(const ImageItem& /*item*/) {}
  virtual void ItemListed(const ImageItem& /*item*/) {}
  virtual void ImageCleared() {}
  virtual void EraseStatus(int /*status*/, int /*progress*/) {}
  virtual void DeviceFault(const DeviceError& /*error*/) {}
};

class DiscDevice {
 public:
  virtual ~DiscDevice() = default;
  virtual std::string Name() const = 0;
  virtual bool CanWrite() const = 0;
  virtual bool HasCapability(int code) = 0;
  virtual int SpeedCount() = 0;
  virtual int SpeedAt(int index) = 0;
  // The write speed as a multiple of the medium's 1x speed.
  virtual double SpeedFactor(int speed) = 0;
  virtual void RefreshMedia(bool full) = 0;
  virtual MediaInfo Media() = 0;
  virtual std::int64_t FreeBlocks(bool refresh) = 0;
  virtual int EraseValue() = 0;
  virtual bool Erase(bool quick, int value) = 0;
  virtual bool Eject() = 0;
  virtual bool CloseTray() = 0;
};

class DiscImage {
 public:
  virtual ~DiscImage() = default;
  virtual bool AddFile(const std::string& sourcePath, const std::string& imagePath) = 0;
  // sourcePattern: a folder followed by a separator and "*.*"; the folder's whole tree is
  // added under imagePath.
  virtual bool AddFolder(const std::string& sourcePattern, const std::string& imagePath) = 0;
  virtual bool RenameFile(const std::string& imagePath, const std::string& newName) = 0;
  virtual bool RenameFolder(const std::string& imagePath, const std::string& newName) = 0;
  virtual bool Remove(const std::string& imagePath) = 0;
  virtual int FileCount() const = 0;
  virtual int FolderCount() const = 0;
  // Raises ItemListed for each item in the folder.
  virtual void ListFiles(const std::string& folderImagePath) = 0;
  virtual void Clear() = 0;
};

// The image's file system formats, by the codes of the volume type list.
enum VolumeTypeCode {
  kVolumeIso9660 = 1,
  kVolumeUdf = 4,
  kVolumeIsoJoliet = 3,
  kVolumeIsoUdfDvdVideo = 5,
  kVolumeIsoJolietUdf = 7,
};

// The file system the image is laid out as; the image's size follows from it.
struct VolumeOptions {
  std::string identifier;
  int type = kVolumeIsoJolietUdf;  // a VolumeTypeCode
  bool useFileDates = true;        // else every file is dated with the time of the write
};

enum class WriteMode { TrackAtOnce, DiscAtOnce };

// The write speed that lets the drive go as fast as it can.
constexpr int kFastestSpeed = 0;

// How a write is done: the disc window fills it from its boxes when Write Disc is clicked.
struct WriteOptions {
  VolumeOptions volume;
  int speed = kFastestSpeed;  // one of the drive's SpeedAt values
  WriteMode mode = WriteMode::TrackAtOnce;
  bool mode2XA = false;
  bool cacheImage = false;
  bool testWrite = false;
  bool finalize = false;  // close the disc: no later session can be added
  bool bufferProtection = false;
  bool autoVerify = false;  // read the disc back and compare every file afterwards
};

class DiscEngine {
 public:
  virtual ~DiscEngine() = default;

  virtual void AddListener(DiscEvents& listener) = 0;
  virtual void RemoveListener(DiscEvents& listener) = 0;

  virtual bool InitDevices(bool flag) = 0;
  virtual int DeviceCount() const = 0;
  virtual DiscDevice* GetDevice(int index) = 0;
  virtual DiscImage& Image() = 0;

  // The volume the image is laid out as, and so ImageSize: set when the window starts and
  // by Use File Dates, and by every write to the write's own.
  const VolumeOptions& Volume() const { return volume_; }
  void SetVolume(const VolumeOptions& volume) { volume_ = volume; }

  virtual int BlockSize() const = 0;
  // The size of the image as it would be written now, in bytes.
  virtual double ImageSize() = 0;
  // Starts writing the image to the device; the options' volume becomes the engine's.
  virtual bool StartWrite(DiscDevice& device, const WriteOptions& options) = 0;
  virtual void Abort() = 0;
  // Hands the events of work running in the background (write, verify, erase) to the
  // listeners. The window calls it on a timer.
  virtual void Poll() = 0;
  // True while a write or an erase runs.
  virtual bool Busy() const = 0;
  // Whether the UDF choices of the volume type list write UDF; where they do not, the window
  // says what they write instead.
  virtual bool WritesUdf() const { return false; }

 private:
  VolumeOptions volume_;
};

// The engine of this build: libburn and libisofs where they are, Windows' disc-writing service
// on Windows, else one with no drives.
std::unique_ptr<DiscEngine> CreateDiscEngine();

}  // namespace quill::disc

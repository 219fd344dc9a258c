#pragma once
// The disc-writing component: drives and their media, the data image being compiled, the
// write with its verify, the erase, and the events that report on all of them. The windows
// use only these members; the libburn engine and the in-memory fake of the tests both
// offer them.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quill::disc {

// What is in the drive. MediaType 0 means no medium; the other codes are listed with the
// media mapping of the engine.
struct MediaInfo {
  int MediaType = 0;
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

// Device capabilities asked by the windows: buffer-underrun protection, and the erasable
// formats (each pairs with one medium type).
constexpr int kCapabilityBufferProtection = 57;

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

constexpr int kWriteModeDiscAtOnce = 248;
constexpr int kWriteModeTrackAtOnce = 2;

class DiscEngine {
 public:
  virtual ~DiscEngine() = default;

  virtual void AddListener(DiscEvents& listener) = 0;
  virtual void RemoveListener(DiscEvents& listener) = 0;

  virtual bool InitDevices(bool flag) = 0;
  virtual int DeviceCount() const = 0;
  virtual DiscDevice* GetDevice(int index) = 0;
  virtual DiscImage& Image() = 0;

  // The two settings without a name of their own; this engine has no use for them.
  virtual void SetUnnamedSetting(int which, int value) = 0;

  std::string VolumeIdentifier;
  int VolumeType = kVolumeIsoJolietUdf;
  int WriteSpeed = 0;  // 0: the fastest the drive offers
  int WriteMode = kWriteModeTrackAtOnce;
  bool UseFileDates = true;
  bool Mode2XA = false;
  bool CacheImage = false;
  bool TestWrite = false;
  bool FinalizeDisc = false;
  bool BufferProtection = false;
  bool AutoVerify = false;

  virtual int BlockSize() const = 0;
  // The size of the image as it would be written now, in bytes.
  virtual double ImageSize() = 0;
  virtual bool StartWrite(DiscDevice& device) = 0;
  virtual void Abort() = 0;
  // Hands the events of work running in the background (write, verify, erase) to the
  // listeners. The window calls it on a timer.
  virtual void Poll() = 0;
  // True while a write or an erase runs.
  virtual bool Busy() const = 0;
};

// The engine of this build: libburn and libisofs where they are, else one with no drives.
std::unique_ptr<DiscEngine> CreateDiscEngine();

}  // namespace quill::disc

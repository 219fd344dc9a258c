#include "disc/imapi/win32/ImapiService.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "disc/imapi/win32/EventSink.h"
#include "disc/imapi/win32/FileSystemImage.h"

namespace quill::disc {

using automation::CallResult;
using automation::ComPtr;
using automation::Variant;

namespace {

constexpr const char* kClientName = "quillstow";

// IMAPI_FORMAT2_DATA_MEDIA_STATE: what the data writer can do with the medium.
constexpr long kMediaOverwriteOnly = 0x1;
constexpr long kMediaBlank = 0x2;
constexpr long kMediaAppendable = 0x4;
constexpr long kMediaUnusable = 0xfc00;

std::string Trim(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  const auto first = text.find_first_not_of(' ');
  return first == std::string::npos ? std::string() : text.substr(first);
}

bool Record(const CallResult& result, ServiceFailure& failure) {
  if (result.ok()) return true;
  failure = ServiceFailure{result.code, result.text, ""};
  return false;
}

long LongOf(IDispatch* object, const wchar_t* name, long fallback = 0) {
  Variant value;
  return automation::Get(object, name, value).ok() ? value.AsLong() : fallback;
}

// A writer of the service (data writer or eraser) set to the drive.
CallResult Writer(const wchar_t* programId, IDispatch* recorder, ComPtr<IDispatch>& writer) {
  CallResult result = automation::Create(programId, writer);
  if (result.ok()) result = automation::Put(writer.Get(), L"Recorder", Variant::Object(recorder));
  if (result.ok()) result = automation::Put(writer.Get(), L"ClientName", Variant::Text(kClientName));
  return result;
}

bool Supports(IDispatch* writer, IDispatch* recorder) {
  Variant drive = Variant::Object(recorder);
  Variant answer;
  return automation::Call(writer, L"IsCurrentMediaSupported", {drive.get()}, &answer).ok() &&
         answer.AsBool();
}

// A file of the disc in the drive, read through the file system Windows mounted.
class VolumeFileReader : public DiscFileReader {
 public:
  explicit VolumeFileReader(HANDLE file) : file_(file) {}
  ~VolumeFileReader() override { CloseHandle(file_); }
  std::int64_t Size() override {
    LARGE_INTEGER size{};
    return GetFileSizeEx(file_, &size) ? size.QuadPart : -1;
  }
  long Read(char* buffer, std::size_t size) override {
    std::size_t done = 0;
    while (done < size) {
      DWORD got = 0;
      const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(size - done, 1 << 20));
      if (!ReadFile(file_, buffer + done, ask, &got, nullptr)) return -1;
      if (got == 0) break;
      done += got;
    }
    return static_cast<long>(done);
  }

 private:
  HANDLE file_;
};

}  // namespace

ImapiService::ImapiService() = default;

ImapiService::~ImapiService() {
  // The objects are released on the thread that made them.
  thread_.Run([this] {
    drives_.clear();
    master_.Reset();
  });
}

bool ImapiService::Start(ServiceFailure& failure) {
  if (!thread_.started()) {
    failure = ServiceFailure{E_FAIL, "COM could not be started for the disc-writing service.", ""};
    return false;
  }
  bool started = false;
  thread_.Run([&] {
    const CallResult created = automation::Create(L"IMAPI2.MsftDiscMaster2", master_);
    if (!created.ok()) {
      failure = ServiceFailure{created.code,
                               "Windows' disc-writing service (IMAPI2) is not available: " +
                                   created.text,
                               ""};
      return;
    }
    started = true;
  });
  return started;
}

std::vector<ServiceRecorder> ImapiService::Recorders() {
  std::vector<ServiceRecorder> found;
  thread_.Run([&] {
    drives_.clear();
    Variant supported;
    // No drive, or none this user may use: an empty list.
    if (!automation::Get(master_.Get(), L"IsSupportedEnvironment", supported).ok() ||
        !supported.AsBool())
      return;
    const long count = LongOf(master_.Get(), L"Count");
    for (long index = 0; index < count; ++index) {
      Variant position = Variant::Long(index);
      Variant id;
      if (!automation::Get(master_.Get(), L"Item", id, {position.get()}).ok()) continue;
      ComPtr<IDispatch> recorder;
      Variant idText = Variant::Text(id.AsText());
      if (!automation::Create(L"IMAPI2.MsftDiscRecorder2", recorder).ok() ||
          !automation::Call(recorder.Get(), L"InitializeDiscRecorder", {idText.get()}).ok())
        continue;
      Variant vendor, product, volumes, profiles;
      automation::Get(recorder.Get(), L"VendorId", vendor);
      automation::Get(recorder.Get(), L"ProductId", product);
      automation::Get(recorder.Get(), L"VolumePathNames", volumes);
      automation::Get(recorder.Get(), L"SupportedProfiles", profiles);
      const auto paths = volumes.AsTexts();
      const std::string volume = paths.empty() ? std::string() : paths.front();
      ServiceRecorder entry{id.AsText(), Trim(vendor.AsText()) + " " + Trim(product.AsText()), {}};
      if (!volume.empty()) entry.name += " (" + volume + ")";
      for (long profile : profiles.AsLongs()) entry.profiles.push_back(static_cast<int>(profile));
      drives_[entry.id] = Drive{recorder, volume};
      found.push_back(std::move(entry));
    }
  });
  return found;
}

IDispatch* ImapiService::RecorderOf(const std::string& id) {
  const auto found = drives_.find(id);
  return found == drives_.end() ? nullptr : found->second.recorder.Get();
}

ServiceMedia ImapiService::Media(const std::string& id) {
  ServiceMedia media;
  thread_.Run([&] {
    IDispatch* recorder = RecorderOf(id);
    if (recorder == nullptr) return;
    Variant current;
    automation::Get(recorder, L"CurrentProfiles", current);
    const auto profiles = current.AsLongs();
    if (profiles.empty()) return;  // no medium
    media.profile = static_cast<int>(profiles.front());
    ComPtr<IDispatch> writer;
    if (Writer(L"IMAPI2.MsftDiscFormat2Data", recorder, writer).ok() &&
        Supports(writer.Get(), recorder)) {
      const long state = LongOf(writer.Get(), L"CurrentMediaStatus");
      media.blank = (state & kMediaBlank) != 0;
      media.appendable = (state & (kMediaBlank | kMediaAppendable | kMediaOverwriteOnly)) != 0 &&
                         (state & kMediaUnusable) == 0;
      media.freeSectors = LongOf(writer.Get(), L"FreeSectorsOnMedia");
      Variant speeds;
      automation::Get(writer.Get(), L"SupportedWriteSpeeds", speeds);
      for (long speed : speeds.AsLongs()) media.writeSpeeds.push_back(static_cast<int>(speed));
    }
    ComPtr<IDispatch> eraser;
    media.erasable = Writer(L"IMAPI2.MsftDiscFormat2Erase", recorder, eraser).ok() &&
                     Supports(eraser.Get(), recorder);
  });
  return media;
}

std::int64_t ImapiService::ImageBlocks(const ImagePlan& plan, ServiceFailure& failure) {
  std::int64_t blocks = -1;
  thread_.Run([&] {
    BuiltImage built;
    if (BuildImage(plan, nullptr, nullptr, built, failure)) blocks = built.totalBlocks;
  });
  return blocks;
}

bool ImapiService::Write(const std::string& id, const ServiceWrite& write,
                         const WriteListener& listener, ServiceFailure& failure) {
  bool written = false;
  thread_.Run([&] {
    IDispatch* recorder = RecorderOf(id);
    if (recorder == nullptr) {
      failure = ServiceFailure{E_INVALIDARG, "The drive is no longer there.", ""};
      return;
    }
    ComPtr<IDispatch> writer;
    if (!Record(Writer(L"IMAPI2.MsftDiscFormat2Data", recorder, writer), failure) ||
        !Record(automation::Put(writer.Get(), L"ForceMediaToBeClosed",
                                Variant::Bool(write.closeMedium)),
                failure) ||
        !Record(automation::Put(writer.Get(), L"BufferUnderrunFreeDisabled",
                                Variant::Bool(!write.bufferProtection)),
                failure))
      return;
    if (write.speed > 0) {
      Variant speed = Variant::Long(write.speed);
      Variant pureCav = Variant::Bool(false);
      if (!Record(automation::Call(writer.Get(), L"SetWriteSpeed", {speed.get(), pureCav.get()}),
                  failure))
        return;
    }
    BuiltImage built;
    if (!BuildImage(write.image, recorder, writer.Get(), built, failure)) return;
    Variant stream;
    if (!Record(automation::Get(built.result.Get(), L"ImageStream", stream), failure)) return;
    // Update(object, progress): the step and the sectors written so far.
    EventSink sink(writer.Get(), kDataWriterEvents, [&](const std::vector<VARIANT*>& arguments) {
      if (arguments.size() < 2) return;
      const ComPtr<IDispatch> progress = Variant::Copy(arguments[1]).AsDispatch();
      WriteProgress step;
      step.action = static_cast<WriteAction>(LongOf(progress.Get(), L"CurrentAction"));
      step.startLba = LongOf(progress.Get(), L"StartLba");
      step.sectorCount = LongOf(progress.Get(), L"SectorCount");
      step.lastWrittenLba = LongOf(progress.Get(), L"LastWrittenLba");
      if (!listener(step)) {
        const ComPtr<IDispatch> sender = Variant::Copy(arguments[0]).AsDispatch();
        automation::Call(sender.Get(), L"CancelWrite");
      }
    });
    Variant data = Variant::Object(stream.AsUnknown().Get(), VT_UNKNOWN);
    written = Record(automation::Call(writer.Get(), L"Write", {data.get()}), failure);
  });
  return written;
}

bool ImapiService::Erase(const std::string& id, bool full, const EraseListener& listener,
                         ServiceFailure& failure) {
  bool erased = false;
  thread_.Run([&] {
    IDispatch* recorder = RecorderOf(id);
    if (recorder == nullptr) {
      failure = ServiceFailure{E_INVALIDARG, "The drive is no longer there.", ""};
      return;
    }
    ComPtr<IDispatch> eraser;
    if (!Record(Writer(L"IMAPI2.MsftDiscFormat2Erase", recorder, eraser), failure) ||
        !Record(automation::Put(eraser.Get(), L"FullErase", Variant::Bool(full)), failure))
      return;
    // Update(object, elapsedSeconds, estimatedTotalSeconds).
    EventSink sink(eraser.Get(), kEraserEvents, [&](const std::vector<VARIANT*>& arguments) {
      if (arguments.size() < 3) return;
      const long elapsed = Variant::Copy(arguments[1]).AsLong();
      const long total = Variant::Copy(arguments[2]).AsLong();
      if (total > 0) listener(static_cast<int>(std::clamp(elapsed * 100 / total, 0L, 100L)));
    });
    erased = Record(automation::Call(eraser.Get(), L"EraseMedia"), failure);
  });
  return erased;
}

std::unique_ptr<DiscFileReader> ImapiService::OpenDiscFile(const std::string& id,
                                                           const std::string& imagePath) {
  const auto found = drives_.find(id);
  if (found == drives_.end() || found->second.volume.empty()) return nullptr;
  std::string relative = imagePath;
  while (!relative.empty() && relative.front() == '\\') relative.erase(0, 1);
  const std::wstring volume = automation::Wide(found->second.volume);
  const std::wstring path = volume + automation::Wide(relative);
  // Windows mounts the new file system a moment after the write: the volume is waited for.
  for (int attempt = 0; attempt < 30 && GetFileAttributesW(volume.c_str()) == INVALID_FILE_ATTRIBUTES;
       ++attempt)
    std::this_thread::sleep_for(std::chrono::seconds(1));
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<VolumeFileReader>(file);
}

bool ImapiService::Eject(const std::string& id) {
  bool done = false;
  thread_.Run([&] { done = automation::Call(RecorderOf(id), L"EjectMedia").ok(); });
  return done;
}

bool ImapiService::CloseTray(const std::string& id) {
  bool done = false;
  thread_.Run([&] { done = automation::Call(RecorderOf(id), L"CloseTray").ok(); });
  return done;
}

}  // namespace quill::disc

#include "disc/imapi/ImapiEngine.h"

#include <chrono>
#include <ctime>

#include "disc/imapi/DiscWriteJob.h"
#include "disc/imapi/ImagePlanner.h"
#include "disc/imapi/ServiceErrors.h"

namespace quill::disc {

namespace {

using namespace std::chrono_literals;

void CollectFiles(const ImageModel::Node& node, std::vector<ImageItem>& files) {
  for (const auto& child : node.children) {
    if (child->item.IsFolder)
      CollectFiles(*child, files);
    else
      files.push_back(child->item);
  }
}

void EraseJob(DiscService& service, const std::string& recorder, const std::string& deviceName,
              bool quick, DiscEvents& events) {
  events.EraseStatus(kEraseStarted, 0);
  ServiceFailure failure;
  const bool erased = service.Erase(
      recorder, !quick, [&](int percent) { events.EraseStatus(kEraseProgress, percent); }, failure);
  if (erased) return events.EraseStatus(kEraseDone, 100);
  events.DeviceFault(EraseFailureError(failure, deviceName));
  events.EraseStatus(kEraseFailed, 0);
}

}  // namespace

ImapiEngine::ImapiEngine(std::unique_ptr<DiscService> service) : service_(std::move(service)) {}

ImapiEngine::~ImapiEngine() {
  job_.Stop();
}

bool ImapiEngine::InitDevices(bool /*flag*/) {
  if (job_.busy()) return false;
  devices_.clear();
  startFailure_ = {};
  if (!service_->Start(startFailure_)) return false;
  for (auto& recorder : service_->Recorders()) {
    auto device =
        std::make_unique<ImapiDevice>(*service_, std::move(recorder), [this] { return Busy(); });
    device->startErase = [this](ImapiDevice& d, bool quick) { return StartErase(d, quick); };
    devices_.push_back(std::move(device));
  }
  return true;
}

DiscDevice* ImapiEngine::GetDevice(int index) {
  if (index < 0 || index >= DeviceCount()) return nullptr;
  return devices_[static_cast<std::size_t>(index)].get();
}

double ImapiEngine::ImageSize() {
  // The service answers one call at a time: while it writes, the last size stands.
  if (job_.busy()) return imageSize_;
  ServiceFailure failure;
  const std::int64_t blocks =
      service_->ImageBlocks(PlanImage(image_, Volume(), std::time(nullptr)), failure);
  imageSize_ = blocks < 0 ? 0 : static_cast<double>(blocks) * BlockSize();
  return imageSize_;
}

bool ImapiEngine::StartWrite(DiscDevice& device, const WriteOptions& options) {
  SetVolume(options.volume);
  auto* drive = dynamic_cast<ImapiDevice*>(&device);
  if (job_.busy() || drive == nullptr || !drive->CanWrite()) return false;
  if (options.testWrite) {
    // The service has no simulated write: writing for real instead would use up a medium
    // that was only to be tried.
    hub_.WriteError(EngineError{
        4,
        "Test Write is not offered by Windows' disc-writing service; nothing was written.",
        {},
        {},
        0});
    return false;
  }
  DiscWriteJob job;
  job.recorder = drive->id();
  job.deviceName = drive->Name();
  job.write.image = PlanImage(image_, options.volume, std::time(nullptr));
  job.write.speed = options.speed;
  job.write.closeMedium = options.finalize;
  job.write.bufferProtection = options.bufferProtection;
  job.verify = options.autoVerify;
  CollectFiles(image_.Root(), job.files);
  job_.Run([this, job = std::move(job)] { job.Run(*service_, queue_, job_.abortFlag()); });
  return true;
}

bool ImapiEngine::StartErase(ImapiDevice& device, bool quick) {
  if (job_.busy()) return false;
  device.RefreshMedia(true);
  if (device.media().profile == 0 || !device.media().erasable) return false;
  job_.Run([this, recorder = device.id(), name = device.Name(), quick] {
    EraseJob(*service_, recorder, name, quick, queue_);
  });
  return true;
}

void ImapiEngine::Poll() {
  queue_.DeliverTo(hub_);
  job_.JoinFinished();
}

void ImapiEngine::WaitUntilIdle() {
  while (job_.busy()) {
    Poll();
    std::this_thread::sleep_for(10ms);
  }
  Poll();
}

}  // namespace quill::disc

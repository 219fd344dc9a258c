#include "disc/burn/LibburnEngine.h"

#include <chrono>
#include <cstdlib>
#include <cstring>

#include <libburn/libburn.h>
#include <libisofs/libisofs.h>

#include "disc/burn/DiscVerifier.h"
#include "disc/burn/IsoImageBuilder.h"
#include "disc/burn/Libraries.h"
#include "disc/burn/StdioDrives.h"

using namespace burn;

namespace quill::disc {

namespace {

using namespace std::chrono_literals;

// The first failure libburn or libisofs queued since the last call, as an engine error;
// the queues are emptied.
EngineError TakeFailure(const std::string& fallback) {
  EngineError error{4, fallback, {}, {}, 0};
  bool found = false;
  int code = 0;
  int osErrno = 0;
  char text[BURN_MSGS_MESSAGE_LEN];
  char severity[80];
  while (burn_msgs_obtain(const_cast<char*>("FAILURE"), &code, text, &osErrno, severity) > 0) {
    if (!found) error.Text = text, error.SystemCode = osErrno, found = true;
  }
  int imageId = 0;
  while (iso_obtain_msgs(const_cast<char*>("FAILURE"), &code, &imageId, text, severity) > 0) {
    if (!found) error = EngineError{3, text, {}, {code, text, ""}, 0}, found = true;
  }
  return error;
}

// What a libburn drive state is in the write status codes; -1 when it has none.
int WriteStatusOf(burn_drive_status state) {
  switch (state) {
    case BURN_DRIVE_WRITING:
    case BURN_DRIVE_WRITING_SYNC:
    case BURN_DRIVE_WRITING_PREGAP:
      return kStatusWriting;
    case BURN_DRIVE_WRITING_LEADIN:
      return kStatusLeadIn;
    case BURN_DRIVE_WRITING_LEADOUT:
      return kStatusLeadOut;
    case BURN_DRIVE_CLOSING_TRACK:
      return kStatusClosingTrack;
    case BURN_DRIVE_CLOSING_SESSION:
      return kStatusUpdatingVolume;
    default:
      return -1;
  }
}

int Percent(const burn_progress& progress) {
  if (progress.sectors <= 0) return 0;
  const long long percent = 100LL * progress.sector / progress.sectors;
  return static_cast<int>(std::clamp(percent, 0LL, 100LL));
}

// Sets the write options; false with the reasons when the medium takes none of them.
bool PrepareWrite(burn_write_opts* opts, burn_disc* disc, const WriteOptions& options,
                  std::string& reasons) {
  burn_write_opts_set_perform_opc(opts, 0);
  burn_write_opts_set_multi(opts, options.finalize ? 0 : 1);
  burn_write_opts_set_simulate(opts, options.testWrite ? 1 : 0);
  burn_write_opts_set_underrun_proof(opts, options.bufferProtection ? 1 : 0);
  if (options.mode == WriteMode::DiscAtOnce)
    burn_write_opts_set_write_type(opts, BURN_WRITE_SAO, BURN_BLOCK_SAO);
  else
    burn_write_opts_set_write_type(opts, BURN_WRITE_TAO, BURN_BLOCK_MODE1);
  char why[BURN_REASONS_LEN] = {};
  if (burn_precheck_write(opts, disc, why, 1) > 0) return true;
  // The chosen mode does not suit this medium: let libburn pick one that does.
  if (burn_write_opts_auto_write_type(opts, disc, why, 0) != BURN_WRITE_NONE) return true;
  if (!options.finalize) {
    // A medium that cannot stay open for more sessions (an image file) is closed instead.
    burn_write_opts_set_multi(opts, 0);
    if (burn_write_opts_auto_write_type(opts, disc, why, 0) != BURN_WRITE_NONE) return true;
  }
  reasons = why;
  return false;
}

// Watches libburn's write until the drive is idle again, raising the status events.
void WatchWrite(burn_drive* drive, DiscEvents& events, const std::atomic<bool>& abort) {
  burn_progress progress{};
  while (burn_drive_get_status(drive, nullptr) == BURN_DRIVE_SPAWNING)
    std::this_thread::sleep_for(20ms);
  int lastStatus = -1;
  int lastPercent = -1;
  bool cancelled = false;
  for (burn_drive_status state;
       (state = burn_drive_get_status(drive, &progress)) != BURN_DRIVE_IDLE;) {
    if (abort && !cancelled) burn_drive_cancel(drive), cancelled = true;
    const int status = WriteStatusOf(state);
    const int percent = Percent(progress);
    if (status >= 0 &&
        (status != lastStatus || (status == kStatusWriting && percent != lastPercent)))
      events.WriteStatus(percent, status);
    lastStatus = status;
    lastPercent = percent;
    std::this_thread::sleep_for(100ms);
  }
}

void WriteJob(burn_drive* drive, ::burn_source* image, const WriteOptions& options,
              const std::vector<ImageItem>& files, DiscEvents& events,
              const std::atomic<bool>& abort) {
  events.WriteStatus(0, kStatusPreparing);
  // libisofs and libburn declare the same struct, each in its own namespace.
  auto* iso = reinterpret_cast<burn::burn_source*>(image);
  // The image passes through a buffer; Cache Image makes it 32 MiB instead of 4 MiB.
  burn::burn_source* fifo = burn_fifo_source_new(iso, 2048, options.cacheImage ? 16384 : 2048, 0);
  burn_disc* disc = burn_disc_create();
  burn_session* session = burn_session_create();
  burn_track* track = burn_track_create();
  burn_track_define_data(track, 0, 0, 1, BURN_MODE1);
  burn_track_set_source(track, fifo);
  burn_session_add_track(session, track, BURN_POS_END);
  burn_disc_add_session(disc, session, BURN_POS_END);
  burn_write_opts* opts = burn_write_opts_new(drive);
  burn_drive_set_speed(drive, 0, options.speed);
  std::string reasons;
  bool wroteWell = false;
  const bool prepared = PrepareWrite(opts, disc, options, reasons);
  if (prepared && !abort) {
    burn_disc_write(opts, disc);
    WatchWrite(drive, events, abort);
    wroteWell = burn_drive_wrote_well(drive) == 1;
  }
  burn_write_opts_free(opts);
  burn_track_free(track);
  burn_session_free(session);
  burn_disc_free(disc);
  burn_source_free(fifo);
  iso->cancel(iso);
  burn_source_free(iso);

  // A write that ended well before the abort took hold is reported as written.
  if (abort && !wroteWell) return events.WriteStatus(0, kStatusCancelled);
  if (!prepared) {
    events.WriteError(EngineError{4, "This medium cannot be written: " + reasons, {}, {}, 0});
    return events.WriteStatus(0, kStatusError);
  }
  if (!wroteWell) {
    events.WriteError(TakeFailure("The disc could not be written."));
    return events.WriteStatus(0, kStatusError);
  }
  FinishWrite(
      options, [&] { VerifyDisc(drive, files, events, abort); }, events, abort);
}

void EraseJob(burn_drive* drive, bool quick, DiscEvents& events) {
  events.EraseStatus(kEraseStarted, 0);
  burn_disc_erase(drive, quick ? 1 : 0);
  burn_progress progress{};
  while (burn_drive_get_status(drive, nullptr) == BURN_DRIVE_SPAWNING)
    std::this_thread::sleep_for(20ms);
  while (burn_drive_get_status(drive, &progress) != BURN_DRIVE_IDLE) {
    events.EraseStatus(kEraseProgress, Percent(progress));
    std::this_thread::sleep_for(250ms);
  }
  // The medium is blank afterwards, or the erase failed.
  if (burn_disc_get_status(drive) == BURN_DISC_BLANK) return events.EraseStatus(kEraseDone, 100);
  const EngineError failure = TakeFailure("The disc could not be erased.");
  events.DeviceFault(DeviceError{failure.SystemCode, failure.Text, "", "erase"});
  events.EraseStatus(kEraseFailed, 0);
}

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

}  // namespace

LibburnEngine::LibburnEngine() = default;

LibburnEngine::~LibburnEngine() {
  job_.Stop();
}

bool LibburnEngine::InitDevices(bool /*flag*/) {
  StartDiscLibraries();
  if (job_.busy()) return false;
  devices_.clear();
  std::vector<std::pair<std::string, std::string>> found;  // address, name
  if (Environment("QUILLSTOW_DISC_SCAN") != "0") {
    // libburn scans on a thread of its own, which writes what it found through these two
    // pointers when it is done. So it is asked again until it says the scan has ended: left
    // earlier, the thread writes into a stack frame that is gone (and the scan it leaves
    // behind makes libburn refuse every later write).
    burn_drive_info* infos = nullptr;
    unsigned int count = 0;
    int scanned = 0;
    while ((scanned = burn_drive_scan(&infos, &count)) == 0) std::this_thread::sleep_for(10ms);
    if (scanned > 0) {
      for (unsigned int index = 0; index < count; ++index) {
        char address[BURN_DRIVE_ADR_LEN] = {};
        if (burn_drive_get_adr(&infos[index], address) <= 0) continue;
        found.emplace_back(address, std::string(infos[index].vendor) + " " + infos[index].product +
                                        " (" + address + ")");
      }
      burn_drive_info_free(infos);
    }
  }
  for (const auto& [address, name] : found) {
    auto device = std::make_unique<LibburnDevice>(address, name, std::nullopt);
    if (device->Grabbed()) devices_.push_back(std::move(device));
  }
  for (const auto& stdio : ParseStdioDrives(Environment("QUILLSTOW_DISC_DRIVES"))) {
    auto device = std::make_unique<LibburnDevice>("stdio:" + stdio.path, "stdio:" + stdio.path,
                                                  stdio.capacity);
    if (device->Grabbed()) devices_.push_back(std::move(device));
  }
  for (auto& device : devices_)
    device->startErase = [this](LibburnDevice& d, bool quick) { return StartErase(d, quick); };
  return true;
}

DiscDevice* LibburnEngine::GetDevice(int index) {
  if (index < 0 || index >= DeviceCount()) return nullptr;
  return devices_[static_cast<std::size_t>(index)].get();
}

double LibburnEngine::ImageSize() {
  return IsoImageSize(image_, Volume());
}

bool LibburnEngine::StartWrite(DiscDevice& device, const WriteOptions& options) {
  SetVolume(options.volume);
  auto* drive = dynamic_cast<LibburnDevice*>(&device);
  if (job_.busy() || drive == nullptr || !drive->Grabbed() || !drive->CanWrite()) return false;
  FileError error;
  ::burn_source* iso = CreateIsoSource(image_, options.volume, error);
  if (iso == nullptr) {
    hub_.WriteError(EngineError{3, error.Text, {}, error, 0});
    return false;
  }
  std::vector<ImageItem> files;
  std::function<void(const ImageModel::Node&)> collect = [&](const ImageModel::Node& node) {
    for (const auto& child : node.children) {
      if (child->item.IsFolder)
        collect(*child);
      else
        files.push_back(child->item);
    }
  };
  collect(image_.Root());
  job_.Run([this, d = drive->drive(), iso, options, files = std::move(files)] {
    WriteJob(d, iso, options, files, queue_, job_.abortFlag());
  });
  return true;
}

bool LibburnEngine::StartErase(LibburnDevice& device, bool quick) {
  if (job_.busy() || !device.Grabbed() || burn_disc_erasable(device.drive()) != 1) return false;
  job_.Run([this, d = device.drive(), quick] { EraseJob(d, quick, queue_); });
  return true;
}

void LibburnEngine::Poll() {
  queue_.DeliverTo(hub_);
  job_.JoinFinished();
}

void LibburnEngine::WaitUntilIdle() {
  while (job_.busy()) {
    Poll();
    std::this_thread::sleep_for(20ms);
  }
  Poll();
}

}  // namespace quill::disc

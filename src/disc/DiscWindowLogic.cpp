#include "disc/DiscWindowLogic.h"

#include <cstdio>

#include "core/AppTitle.h"
#include "disc/DiscFormats.h"

namespace quill::disc {

using platform::MessageAnswer;
using platform::MessageButtons;
using platform::MessageIcon;

DiscWindowLogic::DiscWindowLogic(DiscWindowView& view, DiscEngine& engine,
                                 platform::Prompter& prompter, DiscHandOver& handOver,
                                 DiscWindowCommands commands)
    : view_(view),
      engine_(engine),
      prompter_(prompter),
      handOver_(handOver),
      commands_(std::move(commands)),
      image_(view, engine, prompter) {
  engine_.AddListener(*this);
}

DiscWindowLogic::~DiscWindowLogic() {
  engine_.RemoveListener(*this);
}

MessageAnswer DiscWindowLogic::Message(const std::string& text, MessageIcon icon,
                                       MessageButtons buttons) {
  return prompter_.Message(text, icon, buttons, core::kAppTitle);
}

bool DiscWindowLogic::Start() {
  // The window has no skin to apply: it takes the desktop's look.
  if (!engine_.InitDevices(false)) {
    Message("Devices Cannot be initialized...Contact support!", MessageIcon::None);
    if (commands_.endProgram) commands_.endProgram();
    return false;
  }
  FillDevices();
  SetWindowIdle(true);
  engine_.Image().Clear();
  image_.FillVolumeTypes();
  VolumeOptions volume = engine_.Volume();
  volume.useFileDates = true;
  engine_.SetVolume(volume);
  image_.ResetImageView();
  view_.SetVolumeIdentifier(kBackupVolumeIdentifier);
  image_.VolumeIdentifierChanged();
  if (!handOver_.DiscFileName.empty() && !handOver_.DiscFilePath.empty()) {
    engine_.Image().AddFile(handOver_.DiscFilePath, "\\" + handOver_.DiscFileName);
    image_.RefreshImageView();
    handOver_.DiscFileName.clear();
    handOver_.DiscFilePath.clear();
  }
  return true;
}

void DiscWindowLogic::FillDevices() {
  std::vector<ComboEntry> entries;
  for (int index = 0; index < engine_.DeviceCount(); ++index) {
    DiscDevice* device = engine_.GetDevice(index);
    if (device != nullptr && device->CanWrite()) entries.push_back({device->Name(), index});
  }
  view_.SetDevices(entries);
  if (entries.empty()) {
    device_ = nullptr;
    Message(
        "There are no compatible devices reported.\r\nSome older devices are not currently "
        "supported.",
        MessageIcon::Information);
    return;
  }
  view_.SelectDevice(0);
  DriveSelected();
}

bool DiscWindowLogic::HasBufferProtection() {
  return device_ != nullptr && device_->HasCapability(kCapabilityBufferProtection);
}

void DiscWindowLogic::DriveSelected() {
  const int index = view_.SelectedDevice();
  device_ = index < 0 ? nullptr : engine_.GetDevice(index);
  if (device_ == nullptr) return;
  FillSpeeds();
  const bool protection = HasBufferProtection();
  view_.SetEnabled(DiscControl::UseBufferProtect, protection);
  view_.SetChecked(DiscCheck::UseBufferProtect, protection);
}

void DiscWindowLogic::FillSpeeds() {
  std::vector<ComboEntry> entries;
  device_->RefreshMedia(false);
  const int count = device_->SpeedCount();
  for (int index = 0; index < count; ++index) {
    const int speed = device_->SpeedAt(index);
    entries.push_back({FormatSpeed(device_->SpeedFactor(speed)), speed});
  }
  if (entries.empty()) entries.push_back({"MAX", 0});
  view_.SetSpeeds(entries);
  view_.SelectSpeed(0);
}

void DiscWindowLogic::SetWindowIdle(bool flag) {
  // Commands that act on a drive stay off while there is none.
  const bool hasDevice = device_ != nullptr;
  for (DiscControl control :
       {DiscControl::FileMenu, DiscControl::Devices, DiscControl::WriteSpeed,
        DiscControl::ImageFiles, DiscControl::Folders, DiscControl::CacheImage,
        DiscControl::FinalizeDisc, DiscControl::TestWrite, DiscControl::VolumeType,
        DiscControl::VolumeIdentifier, DiscControl::UseMode2XA, DiscControl::AutoVerify,
        DiscControl::UseFileDates, DiscControl::DiscAtOnce})
    view_.SetEnabled(control, flag);
  view_.SetEnabled(DiscControl::DeviceMenu, flag && hasDevice);
  view_.SetEnabled(DiscControl::WriteDisc, flag && hasDevice);
  view_.SetEnabled(DiscControl::UseBufferProtect, flag && HasBufferProtection());
  view_.SetEnabled(DiscControl::Cancel, !flag);
  idle_ = flag;
  view_.SetBusyCursor(!flag);
  view_.Yield();
}

bool DiscWindowLogic::CheckDiscSpace() {
  device_->RefreshMedia(true);
  const MediaInfo media = device_->Media();
  if (media.MediaType == kMediaNone || !media.Writable) {
    Message("Please Insert Writable Media before continuing!", MessageIcon::Information);
    return false;
  }
  const double freeBytes =
      static_cast<double>(device_->FreeBlocks(true)) * static_cast<double>(engine_.BlockSize());
  const double required = engine_.ImageSize();
  if (freeBytes >= required) return true;
  Message("Free Space on the loaded disc is " + MegabyteNumber(freeBytes) +
              " MB!\r\nThis data image requires " + MegabyteNumber(required) + " MB of Free Space!",
          MessageIcon::Information);
  return false;
}

void DiscWindowLogic::WriteDisc() {
  if (device_ == nullptr || !CheckDiscSpace()) return;
  WriteOptions options;
  options.volume = engine_.Volume();
  options.volume.identifier = view_.VolumeIdentifier();
  options.volume.type = image_.SelectedVolumeTypeCode();
  options.speed = view_.SelectedSpeed();
  options.autoVerify = view_.IsChecked(DiscCheck::AutoVerify);
  options.mode2XA = view_.IsChecked(DiscCheck::UseMode2XA);
  options.cacheImage = view_.IsChecked(DiscCheck::CacheImage);
  options.testWrite = view_.IsChecked(DiscCheck::TestWrite);
  options.finalize = view_.IsChecked(DiscCheck::FinalizeDisc);
  options.bufferProtection = view_.IsChecked(DiscCheck::UseBufferProtect);
  options.mode =
      view_.IsChecked(DiscCheck::DiscAtOnce) ? WriteMode::DiscAtOnce : WriteMode::TrackAtOnce;
  write_ = options;
  verifyDone_ = false;
  if (engine_.StartWrite(*device_, options)) {
    SetWindowIdle(false);
  } else {
    Message("Disc Write could not be started.", MessageIcon::Error);
  }
}

void DiscWindowLogic::CancelWrite() {
  if (idle_) return;
  engine_.Abort();
  view_.SetStatusPanel(1, "Aborting Write...Please Wait!");
}

void DiscWindowLogic::UseFileDatesClicked() {
  VolumeOptions volume = engine_.Volume();
  volume.useFileDates = view_.IsChecked(DiscCheck::UseFileDates);
  engine_.SetVolume(volume);
}

// The drive is left alone while the engine writes or erases on it.
bool DiscWindowLogic::DriveFree() const {
  return device_ != nullptr && !engine_.Busy();
}

void DiscWindowLogic::EjectMedium() {
  if (DriveFree()) device_->Eject();
}

void DiscWindowLogic::CloseTray() {
  if (DriveFree()) device_->CloseTray();
}

void DiscWindowLogic::OpenEraseDialog() {
  if (DriveFree() && commands_.openErase) commands_.openErase(*device_, engine_);
}

void DiscWindowLogic::Exit() {
  view_.Close();
}

void DiscWindowLogic::WriteCompleted() {
  view_.SetStatusPanel(1, "Write Completed!");
  // Only a verify that ran says so: a test write with Auto-Verify checked writes nothing to
  // compare.
  if (!write_.autoVerify || !verifyDone_) {
    Message("Write Complete!", MessageIcon::Information);
  } else if (verifyMatched_ < verifyTotal_) {
    // The disc does not hold what was meant to be written: no "complete" for that.
    Message("Write Complete, but Verify Failed: " + std::to_string(verifyMatched_) + " of " +
                std::to_string(verifyTotal_) + " files MATCHED.",
            MessageIcon::Error);
  } else {
    Message("Write and Verify Complete!", MessageIcon::Information);
  }
  SetWindowIdle(true);
}

void DiscWindowLogic::WriteStatus(int progress, int status) {
  switch (status) {
    case kStatusPreparing:
      view_.SetStatusPanel(1, "Preparing Image....");
      break;
    case 1:
    case 2:
    case 3:
      view_.SetProgress(progress);
      break;
    case kStatusClosingTrack:
      view_.SetStatusPanel(1, "Closing Track....");
      break;
    case kStatusLeadIn:
      view_.SetStatusPanel(1, "Writing Lead-in....");
      break;
    case kStatusLeadOut:
      view_.SetStatusPanel(1, "Writing Lead-out....");
      break;
    case kStatusUpdatingVolume:
      view_.SetStatusPanel(1, "Updating Volume....");
      break;
    case kStatusCompleted:
      WriteCompleted();
      break;
    case kStatusCancelled:
      view_.SetStatusPanel(1, "Write Cancelled....");
      Message("Write Cancelled!", MessageIcon::Information);
      SetWindowIdle(true);
      break;
    case kStatusError:
      view_.SetStatusPanel(1, "Write Error!");
      SetWindowIdle(true);
      break;
    default:
      break;
  }
}

void DiscWindowLogic::WriteError(const EngineError& error) {
  Message(EngineErrorText(error), MessageIcon::Error);
}

void DiscWindowLogic::FileWarning(const FileError& error, bool& continueWrite) {
  Message("File Warning(" + std::to_string(error.Code) + "):" + error.Path + "\r\n" + error.Text,
          MessageIcon::Warning, MessageButtons::OkCancel);
  continueWrite = true;
  view_.SetStatusPanel(1, "File Warning!");
}

void DiscWindowLogic::TrackRead(int track, int number, const std::string& text) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%02d", track);
  view_.SetStatusPanel(
      1, std::string("Track: ") + digits + " - Reading..." + std::to_string(number) + " - " + text);
}

void DiscWindowLogic::VerifyStarted(int fileCount) {
  verifyTotal_ = fileCount;
  verifyMatched_ = 0;
  verifyDone_ = false;
  view_.SetStatusPanel(1, "Auto-Verify... " + std::to_string(fileCount) + " new files.");
}

void DiscWindowLogic::VerifyFile(const ImageItem& item, int result, int done, int total) {
  const char* lead = nullptr;
  switch (result) {
    case kVerifySourceUnreadable:
      lead = "Verify Error - Could not read Source file from disc: ";
      break;
    case kVerifyDiscUnreadable:
      lead = "Verify Error - Could not read Destination file from disc: ";
      break;
    case kVerifyContentDiffers:
      lead = "Verify Error - Source and Destination file did not match: ";
      break;
    case kVerifySizeDiffers:
      lead = "Verify Error - Size of Source and Destination file did not match: ";
      break;
    default:
      break;
  }
  if (lead != nullptr)
    Message(
        std::string(lead) + "\r\n" + item.ImagePath + " (disc)\r\n" + item.SourcePath + " (source)",
        MessageIcon::None);
  view_.SetStatusPanel(1, "Auto-Verify... " + item.ImagePath);
  view_.SetProgress(VerifyPercent(done, total));
}

void DiscWindowLogic::VerifyDone(int total, int matched) {
  verifyTotal_ = total;
  verifyMatched_ = matched;
  verifyDone_ = true;
  view_.SetStatusPanel(1, "Auto-Verify...Complete (" + std::to_string(matched) + " of " +
                              std::to_string(total) + " MATCHED)");
}

}  // namespace quill::disc

#include "disc/EraseDialogLogic.h"

#include "core/AppTitle.h"

namespace quill::disc {

using platform::MessageButtons;
using platform::MessageIcon;

EraseDialogLogic::EraseDialogLogic(EraseDialogView& view, DiscDevice& device, DiscEngine& engine,
                                   platform::Prompter& prompter)
    : view_(view), device_(device), engine_(engine), prompter_(prompter) {
  engine_.AddListener(*this);
}

EraseDialogLogic::~EraseDialogLogic() {
  engine_.RemoveListener(*this);
}

void EraseDialogLogic::Inform(const std::string& text, MessageIcon icon) {
  prompter_.Message(text, icon, MessageButtons::Ok, core::kAppTitle);
}

void EraseDialogLogic::PrepareToShow() {
  view_.SetButtonsEnabled(true);
  busy_ = false;
}

void EraseDialogLogic::SetBusy(bool busy) {
  busy_ = busy;
  view_.SetButtonsEnabled(!busy);
}

void EraseDialogLogic::EraseMedium() {
  // Busy from the click on: a second click before the erase reports its start would find
  // the drive taken, and closing the dialog then would leave the erase running behind it.
  if (busy_) return;
  SetBusy(true);
  if (!StartErase()) {
    SetBusy(false);
    view_.Close();
  }
}

bool EraseDialogLogic::StartErase() {
  device_.RefreshMedia(false);
  const MediaInfo media = device_.Media();
  if (media.MediaType == kMediaNone) {
    Inform("No Media Loaded.", MessageIcon::Information);
    return false;
  }
  if (!media.Rewritable) {
    Inform("The current media is not re-writable.", MessageIcon::Information);
    return false;
  }
  bool supported = false;
  for (const auto& [capability, mediaType] : kEraseFormats) {
    if (device_.HasCapability(capability) && mediaType == media.MediaType) {
      supported = true;
      break;
    }
  }
  if (!supported) {
    Inform("Selected drive does not support re-writable discs of this format.",
           MessageIcon::Information);
    return false;
  }
  if (!device_.Erase(view_.QuickErase(), device_.EraseValue())) {
    Inform("Could not start Erase operation!!!", MessageIcon::Error);
    return false;
  }
  return true;
}

void EraseDialogLogic::CloseDialog() {
  if (!busy_) view_.Close();
}

void EraseDialogLogic::Finish(const std::string& status) {
  view_.SetStatus(status);
  SetBusy(false);
}

void EraseDialogLogic::EraseStatus(int status, int progress) {
  switch (status) {
    case kEraseStarted:
      SetBusy(true);
      view_.SetStatus("Erasing Disc...Please Wait!!");
      view_.SetProgress(progress);
      break;
    case kEraseProgress:
      view_.SetProgress(progress);
      break;
    case kEraseDone:
      view_.SetStatus("Erase operation complete!!!");
      Inform("Erase Completed!!!", MessageIcon::Information);
      Finish("Erase operation complete!!!");
      view_.Close();
      break;
    case kEraseFailed:
      Finish("Error Erasing Disc!!!");
      view_.Close();
      break;
    default:
      break;
  }
}

void EraseDialogLogic::DeviceFault(const DeviceError& error) {
  Inform("Device Error: (" + std::to_string(error.Code) + ")   " + error.Text1 + "\r\n(" +
             error.Text3 + ") " + error.Text2,
         MessageIcon::Error);
  SetBusy(false);
}

}  // namespace quill::disc

#pragma once
// The erase dialog's behaviour: the medium and format checks, the erase, its status, and
// closing (refused while an erase runs).

#include <array>
#include <utility>

#include "disc/DiscEngine.h"
#include "platform/Prompter.h"

namespace quill::disc {

inline constexpr const char* kEraseCaption = "Erase Re-Writable CD/DVD";
inline constexpr const char* kEraseNote =
    "NOTE: If not performing a quick erase, it could take several minutes to completely "
    "erase the disc. This operation cannot be cancelled. A quick erase will erase the table "
    "of contents, but not the actual data.";

// The erasable formats, tried in this order: a device capability and the medium type it
// erases.
inline constexpr std::array<std::pair<CapabilityCode, MediaTypeCode>, 5> kEraseFormats{{
    {kCapabilityEraseDvdRwRestricted, kMediaDvdRwRestricted},
    {kCapabilityEraseCdRw, kMediaCdRw},
    {kCapabilityEraseDvdRwSequential, kMediaDvdRwSequential},
    {kCapabilityEraseDvdPlusRw, kMediaDvdPlusRw},
    {kCapabilityEraseBdRe, kMediaBdRe},
}};

class EraseDialogView {
 public:
  virtual ~EraseDialogView() = default;
  virtual bool QuickErase() const = 0;
  virtual void SetStatus(const std::string& text) = 0;
  virtual void SetButtonsEnabled(bool enabled) = 0;
  virtual void SetProgress(int percent) = 0;
  virtual void Close() = 0;
};

class EraseDialogLogic : public DiscEvents {
 public:
  EraseDialogLogic(EraseDialogView& view, DiscDevice& device, DiscEngine& engine,
                   platform::Prompter& prompter);
  ~EraseDialogLogic() override;
  EraseDialogLogic(const EraseDialogLogic&) = delete;
  EraseDialogLogic& operator=(const EraseDialogLogic&) = delete;

  // Prepares the dialog before it is shown.
  void PrepareToShow();
  // The buttons cmdErase and cmdCancel.
  void EraseMedium();
  void CloseDialog();
  bool CanClose() const { return !busy_; }
  bool busy() const { return busy_; }

  void EraseStatus(int status, int progress) override;
  void DeviceFault(const DeviceError& error) override;

 private:
  void Inform(const std::string& text, platform::MessageIcon icon);
  void SetBusy(bool busy);
  // The medium and format checks, then the erase; false after the message that says why it
  // did not start.
  bool StartErase();
  void Finish(const std::string& status);

  EraseDialogView& view_;
  DiscDevice& device_;
  DiscEngine& engine_;
  platform::Prompter& prompter_;
  bool busy_ = false;
};

}  // namespace quill::disc

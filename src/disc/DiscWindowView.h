#pragma once
// The disc window's controls besides the image's: drives, speeds, the option boxes, the
// buttons, the progress bar and the menus.

#include <string>
#include <vector>

#include "disc/ImageView.h"

namespace quill::disc {

enum class DiscCheck {
  AutoVerify,
  UseMode2XA,
  CacheImage,
  TestWrite,
  FinalizeDisc,
  UseBufferProtect,
  DiscAtOnce,
  UseFileDates
};

// What the idle state enables or disables, besides the buffer-protection box and Cancel.
enum class DiscControl {
  FileMenu,
  DeviceMenu,
  Devices,
  WriteSpeed,
  ImageFiles,
  Folders,
  WriteDisc,
  CacheImage,
  FinalizeDisc,
  TestWrite,
  VolumeType,
  VolumeIdentifier,
  UseMode2XA,
  AutoVerify,
  UseFileDates,
  DiscAtOnce,
  UseBufferProtect,
  Cancel
};

// A combo box entry: the text shown and the value it carries.
struct ComboEntry {
  std::string text;
  int data = 0;
};

class DiscWindowView : public ImageView {
 public:
  virtual void SetDevices(const std::vector<ComboEntry>& entries) = 0;
  // -1 when no device is selected.
  virtual int SelectedDevice() const = 0;
  virtual void SelectDevice(int index) = 0;
  virtual void SetSpeeds(const std::vector<ComboEntry>& entries) = 0;
  virtual int SelectedSpeed() const = 0;
  virtual void SelectSpeed(int index) = 0;

  virtual bool IsChecked(DiscCheck box) const = 0;
  virtual void SetChecked(DiscCheck box, bool checked) = 0;
  virtual void SetEnabled(DiscControl control, bool enabled) = 0;
  virtual void SetProgress(int percent) = 0;
  virtual void Close() = 0;
};

}  // namespace quill::disc

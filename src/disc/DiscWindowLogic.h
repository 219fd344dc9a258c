#pragma once
// The disc window's behaviour: start-up, the drive and speed lists, the idle and busy
// states, the media check, the write with its status, errors and verify, the Device menu
// and closing. The image side is ImageViewLogic's.

#include <functional>
#include <string>

#include "disc/DiscEngine.h"
#include "disc/DiscWindowView.h"
#include "disc/ImageViewLogic.h"
#include "platform/Prompter.h"

namespace quill::disc {

// The backup file the backup run hands over: its name without folder and its full path.
// The window reads both at start and empties them.
struct DiscHandOver {
  std::string DiscFileName;
  std::string DiscFilePath;
};

struct DiscWindowCommands {
  // Opens the erase dialog for the device and waits for it to close.
  std::function<void(DiscDevice&, DiscEngine&)> openErase;
  // Ends the program: the drives could not be initialised.
  std::function<void()> endProgram;
};

inline constexpr const char* kDiscWindowCaption = "Backup Windows Live Mail Data to CD/DVD";
inline constexpr const char* kBackupVolumeIdentifier = "Windows Live Mail Data Backup CD";

class DiscWindowLogic : public DiscEvents {
 public:
  DiscWindowLogic(DiscWindowView& view, DiscEngine& engine, platform::Prompter& prompter,
                  DiscHandOver& handOver, DiscWindowCommands commands);
  ~DiscWindowLogic() override;
  DiscWindowLogic(const DiscWindowLogic&) = delete;
  DiscWindowLogic& operator=(const DiscWindowLogic&) = delete;

  ImageViewLogic& image() { return image_; }

  // The window's start; false when the drives could not be initialised and the program
  // ends.
  bool Start();
  void FillDevices();
  // A drive chosen in cboDevices: its speeds and buffer protection.
  void DriveSelected();
  void FillSpeeds();
  void SetWindowIdle(bool flag);
  bool CheckDiscSpace();
  // The buttons cmdWriteDisc and cmdCancel.
  void WriteDisc();
  void CancelWrite();
  // chkUseFileDates, taken at once.
  void UseFileDatesClicked();
  // The Device menu: Eject, Close Tray, Erase Disc...; and Exit in the File menu.
  void EjectMedium();
  void CloseTray();
  void OpenEraseDialog();
  void Exit();
  // Whether the window may close now: not while a write runs.
  bool CanClose() const { return idle_; }
  bool idle() const { return idle_; }

  void WriteStatus(int progress, int status) override;
  void WriteError(const EngineError& error) override;
  void FileWarning(const FileError& error, bool& continueWrite) override;
  void TrackRead(int track, int number, const std::string& text) override;
  void VerifyStarted(int fileCount) override;
  void VerifyFile(const ImageItem& item, int result, int done, int total) override;
  void VerifyDone(int total, int matched) override;

 private:
  platform::MessageAnswer Message(const std::string& text, platform::MessageIcon icon,
                                  platform::MessageButtons buttons = platform::MessageButtons::Ok);
  bool HasBufferProtection();
  bool DriveFree() const;
  void WriteCompleted();

  DiscWindowView& view_;
  DiscEngine& engine_;
  platform::Prompter& prompter_;
  DiscHandOver& handOver_;
  DiscWindowCommands commands_;
  ImageViewLogic image_;
  DiscDevice* device_ = nullptr;
  bool idle_ = true;
  WriteOptions write_;  // the options of the last write started
  // What the last verify found; a write whose verify failed is not reported as complete.
  int verifyTotal_ = 0;
  int verifyMatched_ = 0;
  bool verifyDone_ = false;
};

}  // namespace quill::disc

#pragma once
// The engine's listeners: each event goes to every listener registered, in the order they
// registered. A window and the erase dialog it opens listen at the same time.

#include <vector>

#include "disc/DiscEngine.h"

namespace quill::disc {

class EventHub : public DiscEvents {
 public:
  void Add(DiscEvents& listener);
  void Remove(DiscEvents& listener);

  void WriteStatus(int progress, int status) override;
  void WriteError(const EngineError& error) override;
  void FileWarning(const FileError& error, bool& continueWrite) override;
  void ReplaceFile(const ImageItem& existing, const std::string& newSource, bool& replace) override;
  void TrackRead(int track, int number, const std::string& text) override;
  void VerifyStarted(int fileCount) override;
  void VerifyFile(const ImageItem& item, int result, int done, int total) override;
  void VerifyDone(int total, int matched) override;
  void ItemAdded(const ImageItem& item) override;
  void ItemRemoved(const ImageItem& item) override;
  void ItemRenamed(const ImageItem& item) override;
  void ItemListed(const ImageItem& item) override;
  void ImageCleared() override;
  void EraseStatus(int status, int progress) override;
  void DeviceFault(const DeviceError& error) override;

 private:
  template <typename Call>
  void Each(Call call) {
    // A listener may leave while an event is delivered (the erase dialog closes on its
    // last status), so the list is copied first.
    const std::vector<DiscEvents*> listeners = listeners_;
    for (DiscEvents* listener : listeners) call(*listener);
  }

  std::vector<DiscEvents*> listeners_;
};

}  // namespace quill::disc

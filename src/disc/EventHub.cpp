#include "disc/EventHub.h"

#include <algorithm>

namespace quill::disc {

void EventHub::Add(DiscEvents& listener) {
  if (std::find(listeners_.begin(), listeners_.end(), &listener) == listeners_.end())
    listeners_.push_back(&listener);
}

void EventHub::Remove(DiscEvents& listener) {
  listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), &listener), listeners_.end());
}

void EventHub::WriteStatus(int progress, int status) {
  Each([&](DiscEvents& l) { l.WriteStatus(progress, status); });
}
void EventHub::WriteError(const EngineError& error) {
  Each([&](DiscEvents& l) { l.WriteError(error); });
}
void EventHub::FileWarning(const FileError& error, bool& continueWrite) {
  Each([&](DiscEvents& l) { l.FileWarning(error, continueWrite); });
}
void EventHub::ReplaceFile(const ImageItem& existing, const std::string& newSource, bool& replace) {
  Each([&](DiscEvents& l) { l.ReplaceFile(existing, newSource, replace); });
}
void EventHub::TrackRead(int track, int number, const std::string& text) {
  Each([&](DiscEvents& l) { l.TrackRead(track, number, text); });
}
void EventHub::VerifyStarted(int fileCount) {
  Each([&](DiscEvents& l) { l.VerifyStarted(fileCount); });
}
void EventHub::VerifyFile(const ImageItem& item, int result, int done, int total) {
  Each([&](DiscEvents& l) { l.VerifyFile(item, result, done, total); });
}
void EventHub::VerifyDone(int total, int matched) {
  Each([&](DiscEvents& l) { l.VerifyDone(total, matched); });
}
void EventHub::ItemAdded(const ImageItem& item) {
  Each([&](DiscEvents& l) { l.ItemAdded(item); });
}
void EventHub::ItemRemoved(const ImageItem& item) {
  Each([&](DiscEvents& l) { l.ItemRemoved(item); });
}
void EventHub::ItemRenamed(const ImageItem& item) {
  Each([&](DiscEvents& l) { l.ItemRenamed(item); });
}
void EventHub::ItemListed(const ImageItem& item) {
  Each([&](DiscEvents& l) { l.ItemListed(item); });
}
void EventHub::ImageCleared() {
  Each([&](DiscEvents& l) { l.ImageCleared(); });
}
void EventHub::EraseStatus(int status, int progress) {
  Each([&](DiscEvents& l) { l.EraseStatus(status, progress); });
}
void EventHub::DeviceFault(const DeviceError& error) {
  Each([&](DiscEvents& l) { l.DeviceFault(error); });
}

}  // namespace quill::disc

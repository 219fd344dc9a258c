#include "disc/EventQueue.h"

namespace quill::disc {

void EventQueue::Post(std::function<void(DiscEvents&)> event) {
  std::lock_guard lock(mutex_);
  events_.push_back(std::move(event));
}

void EventQueue::DeliverTo(DiscEvents& listener) {
  std::vector<std::function<void(DiscEvents&)>> events;
  {
    std::lock_guard lock(mutex_);
    events.swap(events_);
  }
  for (auto& event : events) event(listener);
}

void EventQueue::WriteStatus(int progress, int status) {
  Post([=](DiscEvents& l) { l.WriteStatus(progress, status); });
}
void EventQueue::WriteError(const EngineError& error) {
  Post([=](DiscEvents& l) { l.WriteError(error); });
}
void EventQueue::FileWarning(const FileError& error, bool& continueWrite) {
  continueWrite = true;
  Post([=](DiscEvents& l) {
    bool ignored = true;
    l.FileWarning(error, ignored);
  });
}
void EventQueue::VerifyStarted(int fileCount) {
  Post([=](DiscEvents& l) { l.VerifyStarted(fileCount); });
}
void EventQueue::VerifyFile(const ImageItem& item, int result, int done, int total) {
  Post([=](DiscEvents& l) { l.VerifyFile(item, result, done, total); });
}
void EventQueue::VerifyDone(int total, int matched) {
  Post([=](DiscEvents& l) { l.VerifyDone(total, matched); });
}
void EventQueue::EraseStatus(int status, int progress) {
  Post([=](DiscEvents& l) { l.EraseStatus(status, progress); });
}
void EventQueue::DeviceFault(const DeviceError& error) {
  Post([=](DiscEvents& l) { l.DeviceFault(error); });
}

}  // namespace quill::disc

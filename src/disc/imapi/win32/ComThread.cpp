#include "disc/imapi/win32/ComThread.h"

#include <windows.h>
#include <objbase.h>

namespace quill::disc {

ComThread::ComThread() : thread_([this] { Loop(); }) {
  std::unique_lock lock(mutex_);
  wake_.wait(lock, [this] { return ready_; });
}

ComThread::~ComThread() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void ComThread::Loop() {
  const bool started = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
  {
    std::lock_guard lock(mutex_);
    started_ = started;
    ready_ = true;
  }
  wake_.notify_all();
  for (;;) {
    std::function<void()> call;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || !calls_.empty(); });
      if (calls_.empty()) break;
      call = std::move(calls_.front());
      calls_.pop_front();
    }
    call();
  }
  if (started) CoUninitialize();
}

void ComThread::Run(const std::function<void()>& call) {
  if (!started_) return;
  if (std::this_thread::get_id() == thread_.get_id()) return call();
  std::mutex doneMutex;
  std::condition_variable doneWake;
  bool done = false;
  {
    std::lock_guard lock(mutex_);
    calls_.push_back([&] {
      call();
      std::lock_guard doneLock(doneMutex);
      done = true;
      doneWake.notify_all();
    });
  }
  wake_.notify_all();
  std::unique_lock lock(doneMutex);
  doneWake.wait(lock, [&] { return done; });
}

}  // namespace quill::disc

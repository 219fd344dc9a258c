#pragma once
// Runs work on the window's thread. A backup or restore runs on a thread of its own; what it
// shows, and every question it asks, goes through here to the thread that owns the widgets,
// which it waits for.

#include <QApplication>
#include <QMetaObject>
#include <QThread>
#include <type_traits>
#include <utility>

namespace quill::app {

template <typename F>
auto OnGui(F&& work) -> decltype(work()) {
  if (QThread::currentThread() == QCoreApplication::instance()->thread()) return work();
  if constexpr (std::is_void_v<decltype(work())>) {
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::forward<F>(work),
                              Qt::BlockingQueuedConnection);
  } else {
    decltype(work()) result{};
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [&] { result = work(); }, Qt::BlockingQueuedConnection);
    return result;
  }
}

}  // namespace quill::app

#include "discovery/window_mailbox.h"

#include <QCoreApplication>

#include "discovery/worker_events.h"

#if defined(__SANITIZE_THREAD__)
#define TAVRIX_MARK_HAND_OFFS 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define TAVRIX_MARK_HAND_OFFS 1
#endif
#endif

#ifdef TAVRIX_MARK_HAND_OFFS
#include <sanitizer/tsan_interface.h>

namespace {

class HandOffMarker : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject*, QEvent* event) override {
    __tsan_acquire(event);
    return false;
  }
};

}  // namespace
#endif

WindowMailbox::WindowMailbox(QObject* window) : window_(window) {
#ifdef TAVRIX_MARK_HAND_OFFS
  window->installEventFilter(new HandOffMarker(window));
#endif
}

bool WindowMailbox::post(std::unique_ptr<QEvent> event) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (window_ == nullptr) return false;
#ifdef TAVRIX_MARK_HAND_OFFS
  __tsan_release(event.get());
#endif
  QCoreApplication::postEvent(window_, event.release());
  return true;
}

void WindowMailbox::close() {
  std::lock_guard<std::mutex> lock(mutex_);
  window_ = nullptr;
}

bool WindowMailbox::isOpen() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return window_ != nullptr;
}

#include "discovery/window_mailbox.h"

#include <QCoreApplication>

#include "discovery/device_events.h"

QEvent::Type WorkerFaultEventType() {
  static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

bool WindowMailbox::post(std::unique_ptr<QEvent> event) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (window_ == nullptr) return false;
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

// How every test waits for what worker threads post to the event loop: it
// runs the loop until a condition holds, with a generous deadline. These
// machines are shared and slow at times, so a test never asserts that
// something took less than a tight time, only that it happened.
#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <functional>

inline bool PumpUntil(const std::function<bool()>& done, int limitMs = 20000) {
  const QDeadlineTimer deadline(limitMs);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

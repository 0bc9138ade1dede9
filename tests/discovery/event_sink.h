// The main window's stand-in for worker tests: a QObject that records every
// event the workers post to it, through the same mailbox the window owns.
#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <functional>
#include <vector>

#include "discovery/window_mailbox.h"
#include "discovery/worker_events.h"
#include "tests/support/pump_until.h"

inline void EnsureApplication() {
  static int argc = 1;
  static char name[] = "tavrix-test";
  static char* argv[] = {name, nullptr};
  if (QCoreApplication::instance() == nullptr) new QCoreApplication(argc, argv);
}

class EventSink : public QObject {
 public:
  // A device-found event is recorded device by device.
  struct Received {
    QEvent::Type type;
    DeviceInfo device{};
    QString text;
    DiscoveryCycle cycle = kNoDiscoveryCycle;
  };

  bool event(QEvent* event) override {
    auto cycle = [event] { return static_cast<WorkerEvent*>(event)->cycle(); };
    if (event->type() == WM_DEVICE_FOUND) {
      for (const DeviceInfo& device : static_cast<DeviceFoundEvent*>(event)->devices())
        received.push_back({event->type(), device, {}, cycle()});
    } else if (event->type() == WorkerFaultEventType()) {
      received.push_back({event->type(), {}, static_cast<WorkerFaultEvent*>(event)->text(), cycle()});
    } else if (event->type() == WM_DISCOVERY_ENDED) {
      received.push_back({event->type(), {}, {}, cycle()});
    } else {
      return QObject::event(event);
    }
    return true;
  }

  int count(QEvent::Type type) const {
    int n = 0;
    for (const auto& r : received) n += r.type == type;
    return n;
  }

  std::vector<Received> received;
  MailboxOwner mailbox{this};
};

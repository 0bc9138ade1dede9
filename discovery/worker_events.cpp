#include "discovery/worker_events.h"

namespace {

template <class Kind>
QEvent::Type RegisteredType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

}  // namespace

QEvent::Type WorkerEventType(const WorkerMessage& message) {
  return std::visit(Overloaded{
                        [](const DevicesFound&) { return WM_DEVICE_FOUND; },
                        [](const DiscoveryEnded&) { return WM_DISCOVERY_ENDED; },
                        [](const BatchEnded&) { return WM_BATCH_ENDED; },
                        [](const BatchProgress&) { return RegisteredType<BatchProgress>(); },
                        [](const ChangeOutcomeReport&) { return RegisteredType<ChangeOutcomeReport>(); },
                        [](const WorkerFault&) { return RegisteredType<WorkerFault>(); },
                    },
                    message);
}

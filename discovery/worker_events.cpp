#include "discovery/worker_events.h"

namespace {

QEvent::Type RegisteredType() { return static_cast<QEvent::Type>(QEvent::registerEventType()); }

}  // namespace

QEvent::Type WorkerFaultEventType() {
  static const QEvent::Type type = RegisteredType();
  return type;
}

QEvent::Type BatchProgressEventType() {
  static const QEvent::Type type = RegisteredType();
  return type;
}

QEvent::Type ChangeOutcomeEventType() {
  static const QEvent::Type type = RegisteredType();
  return type;
}

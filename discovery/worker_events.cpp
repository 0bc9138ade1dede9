#include "discovery/worker_events.h"

QEvent::Type BatchProgressEventType() {
  static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

QEvent::Type ChangeOutcomeEventType() {
  static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

// How far a batch run has got, posted by the batch worker to the window so
// that it can show progress (a run over many devices can take minutes)
// without touching any cell of the device list.
//
// `matchingLines` is counted once when the run starts: the usable lines of
// the file whose MAC belongs to a ticked device at that moment. Ticks
// changed during the run can make `sent` end below or above it.
#pragma once

#include <QEvent>

// Registered once per process, so it never collides with another user type.
QEvent::Type BatchProgressEventType();

class BatchProgressEvent : public QEvent {
 public:
  BatchProgressEvent(int sent, int accepted, int matchingLines)
      : QEvent(BatchProgressEventType()), sent_(sent), accepted_(accepted), matchingLines_(matchingLines) {}

  int sent() const { return sent_; }          // requests made so far
  int accepted() const { return accepted_; }  // of those, accepted by the device
  int matchingLines() const { return matchingLines_; }

 private:
  int sent_;
  int accepted_;
  int matchingLines_;
};

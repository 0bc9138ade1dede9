// What a batch run tells the window while it runs, without touching any
// cell of the device list: its tally after every request (a run over many
// devices can take minutes), and each device's outcome, so that a refused
// or unanswered change stays visible on the device's row.
//
// `matchingLines` is counted once when the run starts: the usable lines of
// the file whose MAC belongs to a ticked device at that moment. Ticks
// changed during the run can make `sent` end below or above it.
#pragma once

#include <QEvent>

#include "ui/config/batch_run.h"

// Registered once per process, so they never collide with another user type.
QEvent::Type BatchProgressEventType();
QEvent::Type ChangeOutcomeEventType();

class BatchProgressEvent : public QEvent {
 public:
  explicit BatchProgressEvent(const BatchTally& tally) : QEvent(BatchProgressEventType()), tally_(tally) {}
  const BatchTally& tally() const { return tally_; }

 private:
  BatchTally tally_;
};

class ChangeOutcomeEvent : public QEvent {
 public:
  ChangeOutcomeEvent(const MacAddress& mac, ChangeOutcome outcome)
      : QEvent(ChangeOutcomeEventType()), mac_(mac), outcome_(outcome) {}
  const MacAddress& mac() const { return mac_; }
  ChangeOutcome outcome() const { return outcome_; }

 private:
  MacAddress mac_;
  ChangeOutcome outcome_;
};

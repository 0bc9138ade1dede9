// The events that worker threads post to the main window. They keep the
// numbers the window has always used for its private messages (1025..1027),
// so a log or a debugger shows the familiar values.
//
// A device-found event owns its records: whether the window handles it, Qt
// drops it because the window is gone, or the mailbox refuses it after
// closing, they are freed together with the event. A discovery cycle posts
// one device-found event per batch the socket yielded, in order of arrival:
// a burst of thousands then costs the window a few dozen events, and the
// grid can take a batch's new rows in one insertion. Each record of a batch
// is still judged on its own.
//
// A worker never shows a dialog itself (widgets belong to the window
// thread); it posts a fault event carrying the text and the window shows it.
// An unusable endpoint and replies lost to a full receive buffer are faults
// of their own kinds: a verification re-scans every few seconds, and the
// operator needs to be told once, not once per cycle.
//
// A batch run tells the window its tally after every request (a run over
// many devices can take minutes) and each device's outcome, so that a
// refused or unanswered change stays visible on the device's row; neither
// touches a cell itself. `matchingLines` is counted once when the run
// starts: the usable lines whose MAC belongs to a ticked device at that
// moment, so ticks changed during the run can make `sent` end below or
// above it.
//
// Every discovery event names the cycle that posted it. A worker let go at
// its stop wait may post long after its cycle was stopped, even during a
// later scan; the window takes only the events of the cycle it runs now.
#pragma once

#include <QEvent>
#include <QString>
#include <cstdint>
#include <vector>

#include "batch/batch_run.h"
#include "protocol/encp_records.h"

inline constexpr QEvent::Type WM_DEVICE_FOUND = static_cast<QEvent::Type>(1025);
inline constexpr QEvent::Type WM_DISCOVERY_ENDED = static_cast<QEvent::Type>(1026);
inline constexpr QEvent::Type WM_BATCH_ENDED = static_cast<QEvent::Type>(1027);

// Registered once per process, so they never collide with another user type.
QEvent::Type WorkerFaultEventType();
QEvent::Type BatchProgressEventType();
QEvent::Type ChangeOutcomeEventType();

// Discovery cycles are numbered from 1; a batch run's events carry 0, as
// they belong to no cycle and are never out of date.
using DiscoveryCycle = uint64_t;
inline constexpr DiscoveryCycle kNoDiscoveryCycle = 0;

// WM_DISCOVERY_ENDED is posted as a plain WorkerEvent.
class WorkerEvent : public QEvent {
 public:
  WorkerEvent(Type type, DiscoveryCycle cycle) : QEvent(type), cycle_(cycle) {}
  DiscoveryCycle cycle() const { return cycle_; }

 private:
  DiscoveryCycle cycle_;
};

// One or more devices of one cycle, in the order their replies arrived.
class DeviceFoundEvent : public WorkerEvent {
 public:
  DeviceFoundEvent(std::vector<DeviceInfo> devices, DiscoveryCycle cycle)
      : WorkerEvent(WM_DEVICE_FOUND, cycle), devices_(std::move(devices)) {}

  const std::vector<DeviceInfo>& devices() const { return devices_; }

 private:
  std::vector<DeviceInfo> devices_;
};

enum class WorkerFaultKind { kFault, kEndpointUnavailable, kRepliesLost, kAdapterGone };

class WorkerFaultEvent : public WorkerEvent {
 public:
  explicit WorkerFaultEvent(QString text, WorkerFaultKind kind = WorkerFaultKind::kFault,
                            DiscoveryCycle cycle = kNoDiscoveryCycle)
      : WorkerEvent(WorkerFaultEventType(), cycle), text_(std::move(text)), kind_(kind) {}
  const QString& text() const { return text_; }
  WorkerFaultKind kind() const { return kind_; }

 private:
  QString text_;
  WorkerFaultKind kind_;
};

inline constexpr const char* kDiscoveryFaultText = "[ERROR] EncpThreadProc : EncpThreadProcRun";

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

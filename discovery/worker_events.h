// What worker threads tell the main window: one QEvent subclass carrying one
// typed message and the discovery cycle that posted it.
//
// Invariants: a worker never shows a dialog (widgets belong to the window
// thread); it posts a fault and the window shows it. A devices-found message
// owns its records, freed with the event whether it is handled, dropped by
// Qt or refused by a closed mailbox. The window ignores every event of a
// cycle that is no longer current; batch events carry kNoDiscoveryCycle and
// are never out of date.
#pragma once

#include <QEvent>
#include <QString>
#include <cstdint>
#include <variant>
#include <vector>

#include "batch/batch_run.h"
#include "protocol/encp_records.h"

// Discovery cycles are numbered from 1.
using DiscoveryCycle = uint64_t;
inline constexpr DiscoveryCycle kNoDiscoveryCycle = 0;

// One batch of a cycle's replies, in order of arrival; each record is still
// judged on its own.
struct DevicesFound {
  std::vector<DeviceInfo> devices;
};

// A discovery cycle is over and its endpoint closed.
struct DiscoveryEnded {};

// A batch run is over and its endpoint closed.
struct BatchEnded {};

// The run's tally after each report. `matchingLines` is counted once when the
// run starts, so ticks changed during the run can leave `sent` off it.
struct BatchProgress {
  BatchTally tally;
};

// A device's final outcome that its row must keep showing.
struct ChangeOutcomeReport {
  MacAddress mac{};
  ChangeOutcome outcome{};
};

// Kinds other than kFault are told to the operator once, not once per cycle.
enum class WorkerFaultKind { kFault, kEndpointUnavailable, kRepliesLost, kAdapterGone };

struct WorkerFault {
  QString text;
  WorkerFaultKind kind = WorkerFaultKind::kFault;
};

using WorkerMessage =
    std::variant<DevicesFound, DiscoveryEnded, BatchEnded, BatchProgress, ChangeOutcomeReport, WorkerFault>;

// Devices found, discovery ended and batch ended keep the window's private
// message numbers; every other kind has a type registered once per process.
inline constexpr QEvent::Type WM_DEVICE_FOUND = static_cast<QEvent::Type>(1025);
inline constexpr QEvent::Type WM_DISCOVERY_ENDED = static_cast<QEvent::Type>(1026);
inline constexpr QEvent::Type WM_BATCH_ENDED = static_cast<QEvent::Type>(1027);
QEvent::Type WorkerEventType(const WorkerMessage& message);

class WorkerEvent : public QEvent {
 public:
  explicit WorkerEvent(WorkerMessage message, DiscoveryCycle cycle = kNoDiscoveryCycle)
      : QEvent(WorkerEventType(message)), cycle_(cycle), message_(std::move(message)) {}
  DiscoveryCycle cycle() const { return cycle_; }
  const WorkerMessage& message() const { return message_; }

 private:
  DiscoveryCycle cycle_;
  WorkerMessage message_;
};

// Lambdas joined into one visitor; std::visit then refuses to compile while
// a kind has no handler.
template <class... Handlers>
struct Overloaded : Handlers... {
  using Handlers::operator()...;
};
template <class... Handlers>
Overloaded(Handlers...) -> Overloaded<Handlers...>;

inline constexpr const char* kDiscoveryFaultText = "[ERROR] EncpThreadProc : EncpThreadProcRun";

// The events that worker threads post to the main window. They keep the
// numbers the window has always used for its private messages (1025..1027),
// so a log or a debugger shows the familiar values.
//
// A device-found event owns its record: whether the window handles it, Qt
// drops it because the window is gone, or the mailbox refuses it after
// closing, the record is freed together with the event. A discovery cycle
// posts its replies as devices-found events, one per batch the socket
// yielded, in order of arrival: a burst of thousands then costs the window a
// few dozen events, and the grid can take a batch's new rows in one
// insertion. Each record of a batch is still judged on its own, exactly as a
// single device-found event's.
//
// A worker never shows a dialog itself (widgets belong to the window
// thread); it posts a fault event carrying the text and the window shows it.
// An unusable endpoint is a fault of its own kind: a verification re-scans
// every few seconds, and the operator needs to be told once, not once per
// cycle.
#pragma once

#include <QEvent>
#include <QString>
#include <memory>
#include <vector>

#include "protocol/encp_records.h"

inline constexpr QEvent::Type WM_DEVICE_FOUND = static_cast<QEvent::Type>(1025);
inline constexpr QEvent::Type WM_DISCOVERY_ENDED = static_cast<QEvent::Type>(1026);
inline constexpr QEvent::Type WM_BATCH_ENDED = static_cast<QEvent::Type>(1027);
inline constexpr QEvent::Type WM_DEVICES_FOUND = static_cast<QEvent::Type>(1028);

// Registered once per process, so it can never collide with another user type.
QEvent::Type WorkerFaultEventType();

class DeviceFoundEvent : public QEvent {
 public:
  explicit DeviceFoundEvent(std::unique_ptr<DeviceInfo> device)
      : QEvent(WM_DEVICE_FOUND), device_(std::move(device)) {}

  const DeviceInfo* device() const { return device_.get(); }
  // Lets the receiver keep the record beyond the event's life.
  std::unique_ptr<DeviceInfo> takeDevice() { return std::move(device_); }

 private:
  std::unique_ptr<DeviceInfo> device_;
};

class DevicesFoundEvent : public QEvent {
 public:
  explicit DevicesFoundEvent(std::vector<DeviceInfo> devices)
      : QEvent(WM_DEVICES_FOUND), devices_(std::move(devices)) {}

  const std::vector<DeviceInfo>& devices() const { return devices_; }

 private:
  std::vector<DeviceInfo> devices_;
};

enum class WorkerFaultKind { kFault, kEndpointUnavailable };

class WorkerFaultEvent : public QEvent {
 public:
  explicit WorkerFaultEvent(QString text, WorkerFaultKind kind = WorkerFaultKind::kFault)
      : QEvent(WorkerFaultEventType()), text_(std::move(text)), kind_(kind) {}
  const QString& text() const { return text_; }
  WorkerFaultKind kind() const { return kind_; }

 private:
  QString text_;
  WorkerFaultKind kind_;
};

inline constexpr const char* kDiscoveryFaultText = "[ERROR] EncpThreadProc : EncpThreadProcRun";

// The batch worker: walks an address list file against the ticked devices
// and sends every match its line's settings, on a thread of its own.
//
// For each usable line, in file order, the rows 0..count-1 (count taken once
// at the start) are visited in order. Each visit takes the inventory lock
// once: it reads the row's tick and record, compares the record's MAC with
// the line's MAC text (exact, upper-case colon form) and copies what the
// request needs; the lock is released for the exchange (one send, one wait
// of at most a second, at most one answer read) and taken again for the
// write-back. So "Clear" and sorting stay available during a run: a row that
// is gone is skipped, and the write-back finds the device by MAC, wherever a
// sort has moved it.
//
// Only a device that accepted (result 0) gets the new type and addresses in
// its record and a copy in the changed-device list (counted as awaited); a
// device that refused or stayed silent keeps its record as it was, so the
// panel never shows a change that did not happen. An accepted device that
// was cleared from the list meanwhile is not awaited.
//
// An endpoint that cannot be opened (another program holds the local port)
// ends the run before anything is sent: answers would go to that program,
// and a device must never move without its acceptance being heard. The
// window is told by a WorkerFaultEvent of the endpoint kind.
//
// Every request carries the fixed credential root / kefo. One endpoint
// serves the whole run and is always closed before the run's end is posted,
// so the window may open the next endpoint as soon as WM_BATCH_ENDED
// arrives. The stop flag is checked at the start and between devices. A
// BatchProgressEvent goes to the window when the run starts and after every
// request, so it can show how far the run has got.
//
// The context owns everything the worker touches (by value or shared_ptr),
// so a worker left running after the window's bounded stop wait never
// reaches freed memory; the window's mailbox refuses posts once closed.
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "discovery/device_inventory.h"
#include "discovery/discovery_worker.h"
#include "discovery/window_mailbox.h"
#include "discovery/worker_thread.h"
#include "protocol/encp_client.h"
#include "ui/config/nvt_setting_dlg.h"

inline constexpr const char* kBatchFaultText = "[ERROR] NvtSettingThreadProc : NvtSettingThreadProcRun";
inline constexpr const char* kBatchUserId = "root";
inline constexpr const char* kBatchPassword = "kefo";

struct BatchRunContext {
  std::shared_ptr<WindowMailbox> mailbox;
  std::shared_ptr<DeviceInventory> inventory;
  EncpEndpointSettings settings;
  int mode = kBatchModeThroughFile;
  std::string filePath;  // as the system names the file (local 8-bit)
  EndpointOpener openEndpoint = &ENCPCLIENT_Init;  // tests inject faults here
};

struct BatchTotals {
  int matchingLines = 0;
  int sent = 0;
  int accepted = 0;
};

// Thread procedure: the run inside a catch-all. A caught failure posts a
// WorkerFaultEvent with kBatchFaultText; WM_BATCH_ENDED follows in every
// case. Returns 0.
int NvtSettingThreadProc(const BatchRunContext& context, const std::atomic<bool>& stopRequested);
BatchTotals NvtSettingThreadProcRun(const BatchRunContext& context, const std::atomic<bool>& stopRequested);

// What the window owns to run batches: at most one worker at a time.
class BatchController {
 public:
  // False when a batch is still running or no thread could be made.
  bool Start(BatchRunContext context);
  // A batch counts as running from Start until the window has handled its
  // WM_BATCH_ENDED and called this (which reaps the ended thread).
  void OnBatchEnded() { worker_.Stop(); }
  bool IsRunning() const { return worker_.IsRecorded(); }
  // For the window's close: ask the run to stop, wait at most 3000 ms.
  void Stop() { worker_.Stop(); }

 private:
  WorkerThread worker_;
};

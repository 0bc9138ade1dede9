// The batch worker: on a thread of its own, sends each line of an address list
// file, or of a plan by address range, to the ticked device with the line's
// MAC through the change engine, and posts each outcome and the tally.
//
// Invariants: lines are matched once, under the inventory lock, when the run
// starts (`matchingLines` counts them then); no row number outlives a release
// of the lock. Nothing is sent without an open endpoint, and a device that
// refused or stayed silent keeps its record. A stop ends the run within one
// wait slice; the endpoint is closed before "batch ended", which is posted in
// every case. The context owns everything the worker touches.
#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "batch/batch_run.h"
#include "discovery/discovery_worker.h"
#include "discovery/window_mailbox.h"
#include "discovery/worker_thread.h"
#include "protocol/encp_endpoint.h"
#include "table/device_inventory.h"
#include "ui/config/nvt_setting_dlg.h"

inline constexpr const char* kBatchFaultText = "[ERROR] NvtSettingThreadProc : NvtSettingThreadProcRun";
inline constexpr const char* kBatchUserId = "root";
inline constexpr const char* kBatchPassword = "kefo";
// How long the run itself watches accepted devices; those still unseen are
// left to the window's re-scans.
inline constexpr std::chrono::milliseconds kBatchVerifyFor = 3 * kRescanPeriod;

struct BatchRunContext {
  std::shared_ptr<WindowMailbox> mailbox;
  std::shared_ptr<DeviceInventory> inventory;
  EncpEndpointSettings settings;
  BatchMode mode = BatchMode::kThroughFile;
  std::string filePath;                            // as the system names the file (local 8-bit)
  std::vector<BatchLine> plan;                     // the UI way's lines, planned by the dialog
  EndpointOpener openEndpoint = &ENCPCLIENT_Init;  // tests inject faults here
};

// Thread procedure: the run inside a catch-all. A caught failure posts a
// WorkerFault with kBatchFaultText; BatchEnded follows in every case.
// Returns 0.
int NvtSettingThreadProc(const BatchRunContext& context, const std::atomic<bool>& stopRequested);
BatchTally NvtSettingThreadProcRun(const BatchRunContext& context, const std::atomic<bool>& stopRequested);

// What the window owns to run batches: at most one worker at a time.
class BatchController {
 public:
  // False when a batch is still running or no thread could be made.
  bool Start(BatchRunContext context);
  // A batch counts as running from Start until the window has handled its
  // BatchEnded and called this (which reaps the ended thread).
  void OnBatchEnded() { worker_.Stop(); }
  bool IsRunning() const { return worker_.IsRecorded(); }
  // For the window's close: ask the run to stop, wait at most 3000 ms.
  void Stop() { worker_.Stop(); }

 private:
  WorkerThread worker_;
};

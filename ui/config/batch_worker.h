// The batch worker: walks the lines of an address list file, or of a plan
// by address range, against the ticked devices and sends every match its
// line's settings, on a thread of its own. Both ways share everything after
// the lines are known: exchanges, outcomes, tally and verification.
//
// The lines are planned when the run starts, under the inventory lock: each
// goes to the listed device whose MAC equals its MAC (exact, upper-case
// colon form) if that device is ticked then. The change engine then runs
// the plan on this thread (batch/change_engine.h): overlapping exchanges,
// its own verification searches and resends, all on one endpoint, so the
// window's discovery stays stopped until WM_BATCH_ENDED. No row number is
// carried across a release of the lock, so "Clear" and sorting stay
// available during a run.
//
// Each report goes to the window as it comes: an acceptance writes the new
// type and addresses into the device's record (by MAC) and joins the
// awaited set; a verification is posted as the search reply that showed
// it, which the window's table credits like a discovery cycle's (the row
// turns green at its new address); a refusal, a silence after every resend
// or a conflict marks the row. A device that refused or stayed silent keeps
// its record as it was, so the panel never shows a change that did not
// happen. Accepted devices not seen within kBatchVerifyFor stay awaited, and
// the window's own re-scans watch them after the run.
//
// An endpoint that cannot be opened (another program holds the local port)
// ends the run before anything is sent, told by a WorkerFaultEvent of the
// endpoint kind: a device must never move without its acceptance being heard.
//
// Every request carries the fixed credential root / kefo. The endpoint is
// always closed before the run's end is posted, so the window may open the
// next one as soon as WM_BATCH_ENDED arrives. The stop flag ends the run
// within one wait slice. A BatchProgressEvent goes to the window at the
// start and after every report.
//
// The context owns everything the worker touches (by value or shared_ptr),
// so a worker left running after the window's bounded stop wait never
// reaches freed memory; the window's mailbox refuses posts once closed.
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
// How long the run itself watches accepted devices.
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
// WorkerFaultEvent with kBatchFaultText; WM_BATCH_ENDED follows in every
// case. Returns 0.
int NvtSettingThreadProc(const BatchRunContext& context, const std::atomic<bool>& stopRequested);
BatchTally NvtSettingThreadProcRun(const BatchRunContext& context, const std::atomic<bool>& stopRequested);

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

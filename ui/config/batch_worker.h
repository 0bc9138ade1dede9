// The batch worker: walks the lines of an address list file, or of a plan
// by address range, against the ticked devices and sends every match its
// line's settings, on a thread of its own. Both ways share everything after
// the lines are known: exchanges, outcomes, tally and verification.
//
// For each usable line, in file or plan order, the inventory lock is taken once to
// plan it: the listed device whose MAC equals the line's MAC (exact,
// upper-case colon form), if it is ticked at that moment, and a copy of what
// the request needs. The lock is released for the exchange (SettingExchange:
// one request, a wait of at most a second for that device's own answer) and
// taken again, by MAC, for the write-back. No row number is ever carried
// across a release of the lock, so "Clear" and sorting stay available during
// a run: a device that is gone is skipped, and a sort can neither skip a
// ticked device nor send one device a line twice.
//
// Only a device that accepted (result 0) gets the new type and addresses in
// its record and joins the awaited set (at its given address for a static
// change); a device that refused or stayed silent keeps its record as it
// was, so the panel never shows a change that did not happen. An acceptance
// that arrives after its device's wait, during a later device's exchange or
// at the end of the run, counts all the same. An accepted device that was
// cleared from the list meanwhile is not awaited.
//
// An endpoint that cannot be opened (another program holds the local port)
// ends the run before anything is sent: answers would go to that program,
// and a device must never move without its acceptance being heard. The
// window is told by a WorkerFaultEvent of the endpoint kind.
//
// Every request carries the fixed credential root / kefo. One endpoint
// serves the whole run and is always closed before the run's end is posted,
// so the window may open the next endpoint as soon as WM_BATCH_ENDED
// arrives. The stop flag is checked at the start, while reading the file
// and between devices. A BatchProgressEvent goes to the window when the run
// starts and after every request, so it can show how far the run has got,
// and a ChangeOutcomeEvent with every device's outcome, so its row can say
// when the change was refused or never answered.
//
// The context owns everything the worker touches (by value or shared_ptr),
// so a worker left running after the window's bounded stop wait never
// reaches freed memory; the window's mailbox refuses posts once closed.
#pragma once

#include <atomic>
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

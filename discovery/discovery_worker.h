// One discovery cycle on a background thread: open an endpoint, search, post
// the decoded devices batch by batch, close, post "ended". Merging replies is
// the device table's job, not the worker's.
//
// Invariants: the worker touches only its DiscoveryWorkerContext, copied into
// its thread; every event it posts carries the context's cycle; a fault is
// posted as text, and "ended" follows in every case.
#pragma once

#include <atomic>
#include <chrono>
#include <memory>

#include "discovery/window_mailbox.h"
#include "discovery/worker_events.h"
#include "discovery/worker_thread.h"
#include "protocol/encp_endpoint.h"
#include "protocol/encp_timing.h"

struct DiscoveryWorkerContext {
  std::shared_ptr<WindowMailbox> mailbox;
  EncpEndpointSettings settings;
  EndpointOpener openEndpoint = &ENCPCLIENT_Init;
  DiscoveryCycle cycle = kNoDiscoveryCycle;
};

inline constexpr std::chrono::milliseconds kDiscoveryCycleLength = kSearchCycleLength;

// Thread procedure: runs the cycle inside a catch-all, then posts
// DiscoveryEnded. Returns 0 in every case.
int EncpThreadProc(const DiscoveryWorkerContext& context, const std::atomic<bool>& stopRequested);
void EncpThreadProcRun(const DiscoveryWorkerContext& context, const std::atomic<bool>& stopRequested);

// What the window owns to run discovery cycles: at most one worker recorded.
class DiscoveryController {
 public:
  explicit DiscoveryController(std::shared_ptr<WindowMailbox> mailbox, EncpEndpointSettings settings = {});

  // Stops a recorded worker first; true when a new worker is recorded. The
  // new worker runs the next cycle, which becomes the current one.
  bool StartDiscoveryWorker();
  // Blocks at most 3000 ms; a worker that does not end by then is let go.
  // Either way its cycle is over and no longer current.
  void StopDiscoveryWorker();
  bool IsWorkerRecorded() const { return worker_.IsRecorded(); }
  // The cycle whose events count; after a stop, a number no worker carries.
  DiscoveryCycle CurrentCycle() const { return cycle_; }

  // Settings for the cycles started from now on (a new adapter choice).
  void SetEndpointSettings(const EncpEndpointSettings& settings) { context_.settings = settings; }
  // For tests that need a faulty or instrumented endpoint.
  void SetEndpointOpener(EndpointOpener opener) { context_.openEndpoint = opener; }

 private:
  DiscoveryWorkerContext context_;
  DiscoveryCycle cycle_ = kNoDiscoveryCycle + 1;
  WorkerThread worker_;
};

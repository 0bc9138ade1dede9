// One search cycle on a background thread: open an endpoint, send one search
// request, drain replies for 500 ms, post the decoded devices to the window
// batch by batch (one event per batch), close, post "ended". The worker keeps no list; merging replies is
// the device table's job.
//
// The worker's whole world is a DiscoveryWorkerContext copied into its
// thread: the window's mailbox (shared), the endpoint settings and the
// function that opens the endpoint. The application passes the default
// settings; tests point them at loopback and free ports, and may swap the
// opener to inject faults. A fault inside the cycle is reported to the
// window as a WorkerFaultEvent; the "ended" event follows in every case.
// Every event carries the cycle number in the context.
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
// WM_DISCOVERY_ENDED. Returns 0 in every case.
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

#include "discovery/discovery_worker.h"

#include <QString>

#include "discovery/endpoint_fault.h"
#include "discovery/worker_events.h"
#include "protocol/search_cycle.h"

void EncpThreadProcRun(const DiscoveryWorkerContext& context, const std::atomic<bool>& stopRequested) {
  const auto cycleEnd = std::chrono::steady_clock::now() + kDiscoveryCycleLength;
  // A failed open still leaves working operations; the cycle then receives
  // nothing (or, when only the bind failed, whatever reaches the port the
  // system chose) and ends on time, and the operator is told why.
  EncpEndpoint endpoint(context.settings, context.openEndpoint);
  if (const std::optional<EndpointFault> fault =
          OpenFaultAfterInit(endpoint.openResult(), context.settings.localPort)) {
    context.mailbox->post(std::make_unique<WorkerFaultEvent>(EndpointFaultText(*fault),
                                                             WorkerFaultKind::kEndpointUnavailable, context.cycle));
  }
  const SearchCycleReport report = RunSearchCycle(
      &endpoint.client(), cycleEnd,
      [&](std::vector<DeviceInfo>&& batch) {
        context.mailbox->post(std::make_unique<DeviceFoundEvent>(std::move(batch), context.cycle));
      },
      &stopRequested);
  if (stopRequested.load()) return;
  if (report.repliesLost > 0) {
    context.mailbox->post(std::make_unique<WorkerFaultEvent>(RepliesLostText(report.repliesLost),
                                                             WorkerFaultKind::kRepliesLost, context.cycle));
  }
}

int EncpThreadProc(const DiscoveryWorkerContext& context, const std::atomic<bool>& stopRequested) {
  try {
    EncpThreadProcRun(context, stopRequested);
  } catch (...) {
    context.mailbox->post(std::make_unique<WorkerFaultEvent>(QString::fromLatin1(kDiscoveryFaultText),
                                                             WorkerFaultKind::kFault, context.cycle));
  }
  context.mailbox->post(std::make_unique<WorkerEvent>(WM_DISCOVERY_ENDED, context.cycle));
  return 0;
}

DiscoveryController::DiscoveryController(std::shared_ptr<WindowMailbox> mailbox, EncpEndpointSettings settings)
    : context_{std::move(mailbox), settings} {}

bool DiscoveryController::StartDiscoveryWorker() {
  DiscoveryWorkerContext context = context_;
  context.cycle = ++cycle_;
  return worker_.Start([context = std::move(context)](const std::atomic<bool>& stopRequested) {
    EncpThreadProc(context, stopRequested);
  });
}

void DiscoveryController::StopDiscoveryWorker() {
  worker_.Stop();
  ++cycle_;
}

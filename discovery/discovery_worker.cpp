#include "discovery/discovery_worker.h"

#include <QString>

#include "discovery/endpoint_fault.h"
#include "discovery/worker_events.h"
#include "protocol/search_cycle.h"

namespace {

void Post(const DiscoveryWorkerContext& context, WorkerMessage message) {
  context.mailbox->post(std::make_unique<WorkerEvent>(std::move(message), context.cycle));
}

}  // namespace

void EncpThreadProcRun(const DiscoveryWorkerContext& context, const std::atomic<bool>& stopRequested) {
  const auto cycleEnd = std::chrono::steady_clock::now() + kDiscoveryCycleLength;
  // A failed open still leaves working operations; the cycle then receives
  // nothing (or, when only the bind failed, whatever reaches the port the
  // system chose) and ends on time, and the operator is told why.
  EncpEndpoint endpoint(context.settings, context.openEndpoint);
  if (const std::optional<EndpointFault> fault =
          OpenFaultAfterInit(endpoint.openResult(), context.settings.localPort)) {
    Post(context, WorkerFault{EndpointFaultText(*fault), WorkerFaultKind::kEndpointUnavailable});
  }
  const SearchCycleReport report = RunSearchCycle(
      &endpoint.client(), cycleEnd,
      [&](std::vector<DeviceInfo>&& batch) { Post(context, DevicesFound{std::move(batch)}); }, &stopRequested);
  if (stopRequested.load()) return;
  if (report.repliesLost > 0) {
    Post(context, WorkerFault{RepliesLostText(report.repliesLost), WorkerFaultKind::kRepliesLost});
  }
}

int EncpThreadProc(const DiscoveryWorkerContext& context, const std::atomic<bool>& stopRequested) {
  try {
    EncpThreadProcRun(context, stopRequested);
  } catch (...) {
    Post(context, WorkerFault{QString::fromLatin1(kDiscoveryFaultText)});
  }
  Post(context, DiscoveryEnded{});
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

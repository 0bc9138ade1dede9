#include "ui/config/batch_worker.h"

#include <QString>
#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "batch/address_list_file.h"
#include "batch/batch_run.h"
#include "discovery/endpoint_fault.h"
#include "discovery/worker_events.h"

namespace {

// A run belongs to no discovery cycle: its events are never out of date.
void Post(const BatchRunContext& context, WorkerMessage message) {
  context.mailbox->post(std::make_unique<WorkerEvent>(std::move(message)));
}

// The matchable lines of the file; a file that cannot be read is reported
// and gives no line, and so does a stop asked while reading.
std::vector<BatchLine> ReadLines(const BatchRunContext& context, const std::atomic<bool>& stopRequested) {
  AddressList list = ReadAddressList(context.filePath, [&] { return stopRequested.load(); });
  if (const char* fault = AddressListStatusText(list.status); *fault != '\0') {
    Post(context, WorkerFault{QString::fromUtf8(fault)});
  }
  return MatchableLines(std::move(list.records));
}

// Under one lock: the listed device with the line's MAC, when it is ticked
// at this moment.
std::optional<DeviceInfo> TickedDevice(DeviceInventory& inventory, const BatchLine& line) {
  auto access = inventory.lock();
  const int row = access.table().FindRowByMac(line.mac.data());
  if (!access.IsTicked(row)) return std::nullopt;
  return *access.table().Find(row);
}

// The device took the line's settings: record them and await the device.
// It is looked up by MAC, wherever a sort has moved it; a device cleared
// from the list meanwhile is not awaited.
void RecordAcceptance(DeviceInventory& inventory, const BatchLine& line) {
  auto access = inventory.lock();
  const int row = access.table().FindRowByMac(line.mac.data());
  const DeviceInfo* listed = access.table().Find(row);
  if (listed == nullptr) return;
  DeviceInfo device = *listed;
  device.networkType = static_cast<uint8_t>(line.record.networkType);
  device.ipAddress = line.record.ipAddress;
  device.subnetMask = line.record.subnetMask;
  device.gateway = line.record.gateway;
  device.dnsServer = line.record.dnsServer;
  access.table().Replace(row, device);
  access.awaited().Await(device.mac, GivenAddress(line.record));
}

BatchTally WindowTally(const ChangeTally& engine, int matchingLines) {
  BatchTally tally;
  tally.matchingLines = matchingLines;
  tally.sent = engine.sent;
  tally.accepted = engine.accepted;
  tally.refused = engine.refused;
  tally.noAnswer = engine.noAnswer;
  tally.verified = engine.verified;
  return tally;
}

// What the window hears of a line's report: an acceptance is recorded and
// awaited; a verification comes as the search reply that showed it, which
// the window's table credits as it credits a discovery cycle's; every other
// final outcome marks the row.
void PostReport(const BatchRunContext& context, const BatchLine& line, const ChangeReport& report) {
  DeviceInventory& inventory = *context.inventory;
  const bool awaited = inventory.lock().awaited().IsAwaited(line.mac.data());
  switch (report.outcome) {
    case ChangeOutcome::kAcceptedNotSeen:
      if (report.final) return;  // the window's own searches go on watching
      RecordAcceptance(inventory, line);
      break;
    case ChangeOutcome::kVerified:
      if (!awaited) RecordAcceptance(inventory, line);
      Post(context, DevicesFound{{report.seen}});
      return;
    case ChangeOutcome::kNoAnswer:
      if (!report.final) return;
      break;
    case ChangeOutcome::kConflict:
      inventory.lock().awaited().Forget(line.mac.data());
      break;
    default:
      break;
  }
  Post(context, ChangeOutcomeReport{line.mac, report.outcome});
}

}  // namespace

BatchTally NvtSettingThreadProcRun(const BatchRunContext& context, const std::atomic<bool>& stopRequested) {
  const bool throughFile = context.mode == BatchMode::kThroughFile;
  if (stopRequested.load() || (throughFile && context.filePath.empty())) return {};

  const std::vector<BatchLine> lines = throughFile ? ReadLines(context, stopRequested) : context.plan;
  const std::vector<PlannedChange> plan =
      PlanChanges(lines, [&](const BatchLine& line) { return TickedDevice(*context.inventory, line); });
  const int matching = static_cast<int>(
      std::count_if(plan.begin(), plan.end(), [](const PlannedChange& change) { return change.device.has_value(); }));
  BatchTally tally = WindowTally(ChangeTally{}, matching);
  Post(context, BatchProgress{tally});

  ChangeEngineSeams seams;
  seams.endpoint = context.settings;
  seams.open = context.openEndpoint;
  seams.stop = &stopRequested;
  seams.verifyFor = kBatchVerifyFor;
  seams.onReport = [&](const ChangeReport& report, const ChangeTally& now) {
    if (plan[report.line].device) PostReport(context, lines[report.line], report);
    tally = WindowTally(now, matching);
    Post(context, BatchProgress{tally});
  };
  const ChangeRunResult result = RunChangeEngine(plan, {kBatchUserId, kBatchPassword}, seams);
  if (result.end == ChangeRunEnd::kEndpointUnavailable) {
    const EndpointFault fault{context.settings.localPort, result.openError};
    Post(context, WorkerFault{WithheldChangeText(fault), WorkerFaultKind::kEndpointUnavailable});
  }
  return tally;
}

int NvtSettingThreadProc(const BatchRunContext& context, const std::atomic<bool>& stopRequested) {
  try {
    NvtSettingThreadProcRun(context, stopRequested);
  } catch (...) {
    Post(context, WorkerFault{QString::fromLatin1(kBatchFaultText)});
  }
  Post(context, BatchEnded{});
  return 0;
}

bool BatchController::Start(BatchRunContext context) {
  if (IsRunning()) return false;
  return worker_.Start([context = std::move(context)](const std::atomic<bool>& stopRequested) {
    NvtSettingThreadProc(context, stopRequested);
  });
}

#include "ui/config/batch_worker.h"

#include <QString>
#include <cstring>
#include <optional>
#include <vector>

#include "batch/address_list_file.h"
#include "batch/batch_run.h"
#include "discovery/endpoint_fault.h"
#include "discovery/worker_events.h"

namespace {

// The matchable lines of the file; a file that cannot be read is reported
// and gives no line, and so does a stop asked while reading.
std::vector<BatchLine> ReadLines(const BatchRunContext& context, const std::atomic<bool>& stopRequested) {
  AddressList list = ReadAddressList(context.filePath, [&] { return stopRequested.load(); });
  if (const char* fault = AddressListStatusText(list.status); *fault != '\0') {
    context.mailbox->post(std::make_unique<WorkerFaultEvent>(QString::fromUtf8(fault)));
  }
  return MatchableLines(std::move(list.records));
}

int CountMatchingLines(DeviceInventory& inventory, const std::vector<BatchLine>& lines) {
  auto access = inventory.lock();
  int matching = 0;
  for (const BatchLine& line : lines) matching += access.IsTicked(access.table().FindRowByMac(line.mac.data())) ? 1 : 0;
  return matching;
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

}  // namespace

BatchTally NvtSettingThreadProcRun(const BatchRunContext& context, const std::atomic<bool>& stopRequested) {
  BatchTally tally;
  DeviceInventory& inventory = *context.inventory;

  EncpEndpoint endpoint(context.settings, context.openEndpoint);
  if (const std::optional<EndpointFault> fault =
          OpenFaultAfterInit(endpoint.openResult(), context.settings.localPort)) {
    context.mailbox->post(
        std::make_unique<WorkerFaultEvent>(WithheldChangeText(*fault), WorkerFaultKind::kEndpointUnavailable));
    return tally;
  }
  const bool throughFile = context.mode == BatchMode::kThroughFile;
  if (stopRequested.load() || (throughFile && context.filePath.empty())) return tally;

  const std::vector<BatchLine> lines = throughFile ? ReadLines(context, stopRequested) : context.plan;
  tally.matchingLines = CountMatchingLines(inventory, lines);
  const auto postProgress = [&](const BatchTally& now) {
    context.mailbox->post(std::make_unique<BatchProgressEvent>(now));
  };
  postProgress(tally);

  BatchHooks hooks;
  hooks.findTarget = [&](const BatchLine& line) { return TickedDevice(inventory, line); };
  hooks.onOutcome = [&](const BatchLine& line, const DeviceInfo&, ExchangeVerdict outcome, bool) {
    if (outcome == ExchangeVerdict::kAccepted) RecordAcceptance(inventory, line);
    context.mailbox->post(std::make_unique<ChangeOutcomeEvent>(line.mac, outcome));
  };
  hooks.onProgress = postProgress;
  hooks.stopRequested = [&] { return stopRequested.load(); };
  return RunBatchLines(endpoint.client(), lines, {kBatchUserId, kBatchPassword}, tally, hooks);
}

int NvtSettingThreadProc(const BatchRunContext& context, const std::atomic<bool>& stopRequested) {
  try {
    NvtSettingThreadProcRun(context, stopRequested);
  } catch (...) {
    context.mailbox->post(std::make_unique<WorkerFaultEvent>(QString::fromLatin1(kBatchFaultText)));
  }
  context.mailbox->post(std::make_unique<QEvent>(WM_BATCH_ENDED));
  return 0;
}

bool BatchController::Start(BatchRunContext context) {
  if (IsRunning()) return false;
  return worker_.Start([context = std::move(context)](const std::atomic<bool>& stopRequested) {
    NvtSettingThreadProc(context, stopRequested);
  });
}

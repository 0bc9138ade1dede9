#include "ui/config/batch_worker.h"

#include <QString>
#include <cstring>
#include <optional>
#include <vector>

#include "discovery/device_events.h"
#include "discovery/endpoint_fault.h"
#include "ui/config/address_list_file.h"
#include "ui/config/batch_progress_event.h"
#include "protocol/setting_exchange.h"
#include "protocol/setting_request.h"

QEvent::Type BatchProgressEventType() {
  static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

namespace {

struct BatchLine {
  MacAddress mac;
  AddressListRecord record;
};

// The usable lines whose MAC text can match a device at all; the others
// (lower case, dashes, ...) are left out, as no device would ever match them.
// A file that cannot be read is reported and gives no line; so does a stop
// asked while reading.
std::vector<BatchLine> MatchableLines(const BatchRunContext& context, const std::atomic<bool>& stopRequested) {
  AddressList list = ReadAddressList(context.filePath, [&] { return stopRequested.load(); });
  if (const char* fault = AddressListStatusText(list.status); *fault != '\0') {
    context.mailbox->post(std::make_unique<WorkerFaultEvent>(QString::fromUtf8(fault)));
  }
  std::vector<BatchLine> lines;
  for (AddressListRecord& record : list.records) {
    if (const std::optional<MacAddress> mac = ParseUpperColonMac(record.macText)) {
      lines.push_back({*mac, std::move(record)});
    }
  }
  return lines;
}

int CountMatchingLines(DeviceInventory& inventory, const std::vector<BatchLine>& lines) {
  auto access = inventory.lock();
  int matching = 0;
  for (const BatchLine& line : lines) matching += access.IsTicked(access.table().FindRowByMac(line.mac.data())) ? 1 : 0;
  return matching;
}

struct PlannedChange {
  DeviceInfo device;
  NetworkSettingRequest request;
};

// Under one lock: the listed device with the line's MAC, when it is ticked
// at this moment, and the request for it.
std::optional<PlannedChange> PlanLine(DeviceInventory& inventory, const BatchLine& line) {
  auto access = inventory.lock();
  const int row = access.table().FindRowByMac(line.mac.data());
  if (!access.IsTicked(row)) return std::nullopt;
  PlannedChange plan{*access.table().Find(row), {}};
  NetworkSettingRequest& request = plan.request;
  request = SettingRequestFor(plan.device);
  request.networkType = line.record.networkType;
  std::strncpy(request.userId, kBatchUserId, sizeof request.userId);
  std::strncpy(request.password, kBatchPassword, sizeof request.password);
  request.ipAddress = line.record.ipAddress;
  request.subnetMask = line.record.subnetMask;
  request.gateway = line.record.gateway;
  request.dnsServer = line.record.dnsServer;
  return plan;
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
  const bool isStatic = line.record.networkType == kNetworkStatic;
  access.awaited().Await(device.mac, isStatic ? std::optional<uint32_t>(line.record.ipAddress) : std::nullopt);
}

// Acceptances that arrived after their device's own wait: the device has
// moved all the same, so it is recorded and awaited like any other. True
// when there was one.
bool RecordLateAcceptances(SettingExchange& exchange, const std::vector<const BatchLine*>& lineOfChange,
                           DeviceInventory& inventory, BatchTotals& totals) {
  const int acceptedBefore = totals.accepted;
  for (size_t index : exchange.TakeLateAnswers()) {
    if (exchange.sent()[index].answer != 0) continue;
    ++totals.accepted;
    RecordAcceptance(inventory, *lineOfChange[index]);
  }
  return totals.accepted > acceptedBefore;
}

}  // namespace

BatchTotals NvtSettingThreadProcRun(const BatchRunContext& context, const std::atomic<bool>& stopRequested) {
  BatchTotals totals;
  DeviceInventory& inventory = *context.inventory;

  EncpClient client;
  EncpEndpointCloser closer(client);
  const int32_t opened = context.openEndpoint(&client, context.settings);
  if (const std::optional<EndpointFault> fault = OpenFaultAfterInit(opened, context.settings.localPort)) {
    context.mailbox->post(
        std::make_unique<WorkerFaultEvent>(WithheldChangeText(*fault), WorkerFaultKind::kEndpointUnavailable));
    return totals;
  }
  if (stopRequested.load() || context.mode != kBatchModeThroughFile || context.filePath.empty()) {
    return totals;
  }

  const std::vector<BatchLine> lines = MatchableLines(context, stopRequested);
  totals.matchingLines = CountMatchingLines(inventory, lines);
  const auto postProgress = [&] {
    context.mailbox->post(std::make_unique<BatchProgressEvent>(totals.sent, totals.accepted, totals.matchingLines));
  };
  postProgress();

  SettingExchange exchange(client);
  std::vector<const BatchLine*> lineOfChange;
  for (const BatchLine& line : lines) {
    const std::optional<PlannedChange> plan = PlanLine(inventory, line);
    if (!plan) continue;
    if (stopRequested.load()) break;
    ++totals.sent;
    lineOfChange.push_back(&line);
    if (exchange.Exchange(plan->request, ChangeTargetFor(plan->device, plan->request)).answer == 0) {
      ++totals.accepted;
      RecordAcceptance(inventory, line);
    }
    RecordLateAcceptances(exchange, lineOfChange, inventory, totals);
    postProgress();
  }
  exchange.Drain();
  if (RecordLateAcceptances(exchange, lineOfChange, inventory, totals)) postProgress();
  return totals;
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

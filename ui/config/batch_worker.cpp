#include "ui/config/batch_worker.h"

#include <QString>
#include <array>
#include <cstring>
#include <optional>
#include <set>
#include <vector>

#include "discovery/device_events.h"
#include "discovery/endpoint_fault.h"
#include "ui/config/address_list_file.h"
#include "ui/config/batch_progress_event.h"
#include "protocol/setting_request.h"

QEvent::Type BatchProgressEventType() {
  static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

namespace {

using Mac = std::array<uint8_t, 6>;

struct BatchLine {
  Mac mac;
  AddressListRecord record;
};

// The usable lines whose MAC text can match a device at all; the others
// (lower case, dashes, ...) are left out, as no device would ever match them.
std::vector<BatchLine> MatchableLines(const std::string& path) {
  std::vector<BatchLine> lines;
  for (AddressListRecord& record : ReadAddressListFile(path)) {
    if (const std::optional<Mac> mac = ParseUpperColonMac(record.macText)) {
      lines.push_back({*mac, std::move(record)});
    }
  }
  return lines;
}

int CountMatchingLines(DeviceInventory& inventory, int rowCount, const std::vector<BatchLine>& lines) {
  std::set<Mac> ticked;
  {
    auto access = inventory.lock();
    for (int row = 0; row < rowCount; ++row) {
      const DeviceEntry* entry = access.table().Find(row);
      if (access.IsTicked(row) && entry != nullptr && entry->info) {
        Mac mac;
        std::memcpy(mac.data(), entry->info->mac, mac.size());
        ticked.insert(mac);
      }
    }
  }
  int matching = 0;
  for (const BatchLine& line : lines) matching += ticked.count(line.mac) > 0 ? 1 : 0;
  return matching;
}

// Under one lock: the request for `row` when it is ticked and its record
// carries the line's MAC; nothing otherwise.
std::optional<NetworkSettingRequest> RequestForRow(DeviceInventory& inventory, int row, const BatchLine& line) {
  auto access = inventory.lock();
  if (!access.IsTicked(row)) return std::nullopt;
  const DeviceEntry* entry = access.table().Find(row);
  if (entry == nullptr || !entry->info) return std::nullopt;
  const DeviceInfo& device = *entry->info;
  if (std::memcmp(device.mac, line.mac.data(), line.mac.size()) != 0) return std::nullopt;

  NetworkSettingRequest request = SettingRequestFor(device);
  request.networkType = line.record.networkType;
  std::strncpy(request.userId, kBatchUserId, sizeof request.userId);
  std::strncpy(request.password, kBatchPassword, sizeof request.password);
  request.ipAddress = line.record.ipAddress;
  request.subnetMask = line.record.subnetMask;
  request.gateway = line.record.gateway;
  request.dnsServer = line.record.dnsServer;
  return request;
}

bool ExchangeAccepted(EncpClient& client, const NetworkSettingRequest& request) {
  if (client.ops.SetNetwork(&client, &request) != 0) return false;
  if (client.ops.Wait(&client, 1, 0) != 1) return false;
  return client.ops.RecvResult(&client) == 0;
}

// The device took the line's settings: record them and await the device.
// It is looked up by MAC, wherever a sort has moved it; a device cleared
// from the list meanwhile is not awaited.
void RecordAcceptance(DeviceInventory& inventory, const BatchLine& line) {
  auto access = inventory.lock();
  const int row = access.table().FindRowByMac(line.mac.data());
  DeviceEntry* entry = row >= 0 ? access.table().Find(row) : nullptr;
  if (entry == nullptr || !entry->info) return;
  DeviceInfo& device = *entry->info;
  device.networkType = static_cast<uint8_t>(line.record.networkType);
  device.ipAddress = line.record.ipAddress;
  device.subnetMask = line.record.subnetMask;
  device.gateway = line.record.gateway;
  device.dnsServer = line.record.dnsServer;
  access.AddChanged(device);
}

}  // namespace

BatchTotals NvtSettingThreadProcRun(const BatchRunContext& context, const std::atomic<bool>& stopRequested) {
  BatchTotals totals;
  DeviceInventory& inventory = *context.inventory;
  const int rowCount = inventory.lock().RowCount();

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

  const std::vector<BatchLine> lines = MatchableLines(context.filePath);
  totals.matchingLines = CountMatchingLines(inventory, rowCount, lines);
  const auto postProgress = [&] {
    context.mailbox->post(std::make_unique<BatchProgressEvent>(totals.sent, totals.accepted, totals.matchingLines));
  };
  postProgress();

  for (const BatchLine& line : lines) {
    for (int row = 0; row < rowCount; ++row) {
      const std::optional<NetworkSettingRequest> request = RequestForRow(inventory, row, line);
      if (!request) continue;
      if (stopRequested.load()) return totals;
      ++totals.sent;
      if (ExchangeAccepted(client, *request)) {
        ++totals.accepted;
        RecordAcceptance(inventory, line);
      }
      postProgress();
    }
  }
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

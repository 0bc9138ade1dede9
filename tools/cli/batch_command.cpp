#include "tools/cli/batch_command.h"

#include <algorithm>
#include <map>
#include <optional>
#include <vector>

#include "protocol/address_text.h"
#include "tools/cli/change_verification.h"
#include "tools/cli/device_text.h"
#include "tools/cli/scan_cycle.h"
#include "ui/config/address_list_check.h"
#include "ui/config/batch_run.h"

namespace {

constexpr int kExitFailure = 1;

// What became of one line; kNotFound until its turn came and found a device.
enum class LineFate { kNotFound, kNoAnswer, kRefusedCredential, kRefused, kAccepted };

const char* FateText(LineFate fate, bool verified) {
  switch (fate) {
    case LineFate::kNotFound:
      return "not found";
    case LineFate::kNoAnswer:
      return "no answer";
    case LineFate::kRefusedCredential:
      return "refused: credential";
    case LineFate::kRefused:
      return "refused";
    case LineFate::kAccepted:
      return verified ? "verified" : "accepted but not seen";
  }
  return "";
}

LineFate FateOf(ChangeOutcome outcome) {
  switch (outcome) {
    case ChangeOutcome::kAccepted:
      return LineFate::kAccepted;
    case ChangeOutcome::kRefusedCredential:
      return LineFate::kRefusedCredential;
    case ChangeOutcome::kRefused:
      return LineFate::kRefused;
    case ChangeOutcome::kNoAnswer:
      return LineFate::kNoAnswer;
  }
  return LineFate::kNoAnswer;
}

std::string RequestedText(const AddressListRecord& record) {
  return record.networkType == kNetworkStatic ? record.addressTexts[0] : "DHCP";
}

std::vector<DeviceInfo> ScanOnce(const EncpEndpointSettings& settings) {
  const ScanCycleResult cycle = RunScanCycle(settings);
  if (cycle.initResult != 0) std::fprintf(stderr, "tavrix-cli: could not open the local port; the scan may miss replies\n");
  return UniqueByMac(cycle.replies);
}

int DryRun(const CliArgs& args, std::FILE* out) {
  const AddressListLines file = ReadAddressListLines(args.filePath);
  if (const char* fault = AddressListStatusText(file.status); *fault != '\0') {
    std::fprintf(stderr, "tavrix-cli: %s\n", fault);
    return kExitFailure;
  }
  std::vector<ListedDevice> listed;
  for (const DeviceInfo& device : ScanOnce(args.endpoint)) {
    ListedDevice entry;
    std::copy(device.mac, device.mac + 6, entry.mac.begin());
    entry.sourceAddress = device.sourceAddress;
    entry.ticked = true;
    listed.push_back(entry);
  }
  const AddressListCheck check = CheckAddressList(file, listed);
  for (size_t i = 0; i < file.lines.size(); ++i) {
    const AddressListLine& line = file.lines[i];
    const std::string mac = line.record ? line.record->macText : line.tokens.empty() ? "" : line.tokens[0];
    const std::string requested = line.record ? RequestedText(*line.record) : "-";
    std::fprintf(out, "%s\t%s\t%s\n", mac.c_str(), requested.c_str(), LineCheckText(line, check.lines[i]).c_str());
  }
  std::fprintf(out, "%s\n", AddressListCheckSummary(check).c_str());
  const bool allReady = check.skipped == 0 && check.notListed == 0 && check.notTicked == 0 && check.warned == 0;
  return allReady ? 0 : kExitFailure;
}

}  // namespace

int RunBatchCommand(const CliArgs& args, const std::string& password, std::FILE* out) {
  if (args.dryRun) return DryRun(args, out);
  AddressList list = ReadAddressList(args.filePath);
  if (const char* fault = AddressListStatusText(list.status); *fault != '\0') {
    std::fprintf(stderr, "tavrix-cli: %s\n", fault);
    return kExitFailure;
  }
  const std::vector<BatchLine> lines = MatchableLines(std::move(list.records));
  const std::vector<DeviceInfo> found = ScanOnce(args.endpoint);

  std::vector<LineFate> fates(lines.size(), LineFate::kNotFound);
  AwaitedChanges awaited;
  {
    EncpClient client;
    EncpEndpointCloser closer(client);
    if (ENCPCLIENT_Init(&client, args.endpoint) != 0) {
      std::fprintf(stderr, "tavrix-cli: could not open the local port (another program may hold it); "
                           "no setting was sent\n");
      return kExitFailure;
    }
    BatchHooks hooks;
    hooks.findTarget = [&](const BatchLine& line) -> std::optional<DeviceInfo> {
      for (const DeviceInfo& device : found) {
        if (MacOf(device.mac) == line.mac) return device;
      }
      return std::nullopt;
    };
    hooks.onOutcome = [&](const BatchLine& line, const DeviceInfo&, ChangeOutcome outcome, bool) {
      fates[static_cast<size_t>(&line - lines.data())] = FateOf(outcome);
      if (outcome == ChangeOutcome::kAccepted) awaited.Await(line.mac.data(), GivenAddress(line.record));
    };
    RunBatchLines(client, lines, {args.userId, password}, BatchTally{}, hooks);
  }
  const std::map<MacAddress, uint32_t> seenAt = WaitForChanges(awaited, args.endpoint, args.timeout);

  // Only the last accepted line of a device can be where it went.
  std::map<MacAddress, size_t> lastAccepted;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (fates[i] == LineFate::kAccepted) lastAccepted[lines[i].mac] = i;
  }
  bool allVerified = true;
  std::string json = "[\n";
  for (size_t i = 0; i < lines.size(); ++i) {
    const auto last = lastAccepted.find(lines[i].mac);
    const bool verified = seenAt.count(lines[i].mac) > 0 && last != lastAccepted.end() && last->second == i;
    const char* fate = FateText(fates[i], verified);
    allVerified = allVerified && fates[i] == LineFate::kAccepted && verified;
    const std::string requested = RequestedText(lines[i].record);
    if (args.json) {
      json += std::string(i == 0 ? "" : ",\n") + "  {\"mac\": " + JsonString(lines[i].record.macText) +
              ", \"requested\": " + JsonString(requested) + ", \"outcome\": " + JsonString(fate) + "}";
    } else {
      std::fprintf(out, "%s\t%s\t%s\n", lines[i].record.macText.c_str(), requested.c_str(), fate);
    }
  }
  if (args.json) std::fprintf(out, "%s%s]\n", json.c_str(), lines.empty() ? "" : "\n");
  return allVerified ? 0 : kExitFailure;
}

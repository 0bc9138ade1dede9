#include "batch/address_list_check.h"

#include <arpa/inet.h>

#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "protocol/address_text.h"

namespace {

using Mac = std::array<uint8_t, 6>;

uint64_t KeyOf(const Mac& mac) {
  uint64_t key = 0;
  for (uint8_t byte : mac) key = (key << 8) | byte;
  return key;
}

bool IsContiguous(uint32_t mask) {
  const uint32_t hostBits = ~ntohl(mask);
  return (hostBits & (hostBits + 1)) == 0;
}

// Lookups over the snapshot and the file, built once, so a long file
// against a long list costs linear time.
class Context {
 public:
  Context(const AddressListLines& file, const std::vector<ListedDevice>& devices) : devices_(devices) {
    for (size_t i = 0; i < devices.size(); ++i) {
      rowByMac_.emplace(KeyOf(devices[i].mac), i);
      rowsByAddress_[devices[i].sourceAddress].push_back(i);
    }
    for (const AddressListLine& line : file.lines) {
      if (!line.record) continue;
      const AddressListRecord& record = *line.record;
      ++linesByMacText_[record.macText];
      const bool isStatic = record.networkType == kNetworkStatic;
      if (isStatic) ++staticLinesByAddress_[record.ipAddress];
      const ListedDevice* device = DeviceOf(record);
      if (device != nullptr && (!isStatic || record.ipAddress != device->sourceAddress)) {
        moving_.insert(KeyOf(device->mac));
      }
    }
  }

  LineCheck Check(const AddressListRecord& record) const {
    LineCheck check;
    std::vector<LineProblem>& problems = check.problems;
    const ListedDevice* device = DeviceOf(record);
    if (device == nullptr) {
      problems.push_back(LineProblem::kNotListed);
    } else if (!device->ticked) {
      problems.push_back(LineProblem::kNotTicked);
    }
    if (linesByMacText_.at(record.macText) > 1) problems.push_back(LineProblem::kMacTwice);
    if (record.networkType != kNetworkStatic) return check;

    if (!IsContiguous(record.subnetMask)) problems.push_back(LineProblem::kMaskNotContiguous);
    if (record.gateway != 0 && (record.gateway & record.subnetMask) != (record.ipAddress & record.subnetMask)) {
      problems.push_back(LineProblem::kGatewayOutsideSubnet);
    }
    if (staticLinesByAddress_.at(record.ipAddress) > 1) problems.push_back(LineProblem::kAddressTwice);
    if (const ListedDevice* holder = StayingHolder(record.ipAddress, device)) {
      problems.push_back(LineProblem::kAddressInUse);
      check.inUseBy = holder->mac;
    }
    return check;
  }

 private:
  const ListedDevice* DeviceOf(const AddressListRecord& record) const {
    const std::optional<Mac> mac = ParseUpperColonMac(record.macText);
    if (!mac) return nullptr;
    const auto found = rowByMac_.find(KeyOf(*mac));
    return found == rowByMac_.end() ? nullptr : &devices_[found->second];
  }

  // The first other listed device at `address` that the file leaves there.
  const ListedDevice* StayingHolder(uint32_t address, const ListedDevice* own) const {
    const auto found = rowsByAddress_.find(address);
    if (found == rowsByAddress_.end()) return nullptr;
    for (size_t row : found->second) {
      const ListedDevice& other = devices_[row];
      if (own != nullptr && other.mac == own->mac) continue;
      if (!moving_.contains(KeyOf(other.mac))) return &other;
    }
    return nullptr;
  }

  const std::vector<ListedDevice>& devices_;
  std::unordered_map<uint64_t, size_t> rowByMac_;
  std::unordered_map<uint32_t, std::vector<size_t>> rowsByAddress_;
  std::unordered_map<std::string, int> linesByMacText_;
  std::unordered_map<uint32_t, int> staticLinesByAddress_;
  std::unordered_set<uint64_t> moving_;
};

std::string Counted(size_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace

AddressListCheck CheckAddressList(const AddressListLines& file, const std::vector<ListedDevice>& devices) {
  const Context context(file, devices);
  AddressListCheck result;
  result.skipped = file.unusableCount;
  result.lines.reserve(file.lines.size());
  for (const AddressListLine& line : file.lines) {
    if (!line.record) {
      result.lines.emplace_back();
      continue;
    }
    LineCheck check = context.Check(*line.record);
    if (check.problems.empty()) {
      ++result.ready;
    } else if (check.problems.front() == LineProblem::kNotListed) {
      ++result.notListed;
    } else if (check.problems.front() == LineProblem::kNotTicked) {
      ++result.notTicked;
    } else {
      ++result.warned;
    }
    result.lines.push_back(std::move(check));
  }
  return result;
}

std::string LineCheckText(const AddressListLine& line, const LineCheck& check) {
  if (!line.record) return AddressListFaultText(line);
  if (check.problems.empty()) return "ready";
  std::string text;
  for (LineProblem problem : check.problems) {
    if (!text.empty()) text += "; ";
    switch (problem) {
      case LineProblem::kNotListed:
        text += "not listed";
        break;
      case LineProblem::kNotTicked:
        text += "not ticked";
        break;
      case LineProblem::kMacTwice:
        text += "MAC twice in the file";
        break;
      case LineProblem::kMaskNotContiguous:
        text += "subnet mask not contiguous";
        break;
      case LineProblem::kGatewayOutsideSubnet:
        text += "gateway outside the subnet";
        break;
      case LineProblem::kAddressTwice:
        text += "address given twice in the file";
        break;
      case LineProblem::kAddressInUse: {
        text += "address in use by " + MacText(check.inUseBy.data());
        break;
      }
    }
  }
  return text;
}

std::string AddressListCheckSummary(const AddressListCheck& check) {
  const size_t usable = check.ready + check.notListed + check.notTicked + check.warned;
  std::string text = Counted(usable, "usable line", "usable lines") + ": " + std::to_string(check.ready) + " ready";
  if (check.notListed > 0) text += ", " + std::to_string(check.notListed) + " not listed";
  if (check.notTicked > 0) text += ", " + std::to_string(check.notTicked) + " not ticked";
  if (check.warned > 0) text += ", " + Counted(check.warned, "warning", "warnings");
  if (check.skipped > 0) text += "; " + Counted(check.skipped, "line skipped", "lines skipped");
  if (check.skipped > kAddressListMaxKeptUnusable) {
    text += " (the first " + std::to_string(kAddressListMaxKeptUnusable) + " shown)";
  }
  return text;
}

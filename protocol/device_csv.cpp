#include "protocol/device_csv.h"

#include <net/if.h>

#include "protocol/address_text.h"

namespace {

// The list's column titles, then the record's fields.
// The one list column whose text came from the device.
constexpr size_t kModelColumn = 1;

constexpr const char* kHeader[] = {"No.",   "Model Name",  "MAC address", "IP address", "Web port",     "AV port",
                                   "State", "Subnet mask", "Gateway",     "DNS server", "Network type", "Interface"};

void AppendRecord(std::string& out, const std::vector<std::string>& fields) {
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) out.push_back(',');
    out += CsvField(fields[i]);
  }
  out += "\r\n";
}

}  // namespace

std::string CsvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  return out + "\"";
}

std::string InertDeviceText(std::string_view text) {
  if (text.empty() || std::string_view("=+-@\t\r").find(text.front()) == std::string_view::npos) {
    return std::string(text);
  }
  return "'" + std::string(text);
}

std::string NetworkTypeText(uint8_t networkType) {
  switch (networkType) {
    case kNetworkDhcp:
      return "DHCP";
    case kNetworkStatic:
      return "Static";
    case kNetworkPppoe:
      return "PPPoE";
    default:
      return std::to_string(networkType);
  }
}

std::string InterfaceNameText(int32_t interfaceIndex) {
  char name[IF_NAMESIZE] = {};
  if (interfaceIndex <= 0 || if_indextoname(static_cast<unsigned>(interfaceIndex), name) == nullptr) return {};
  return name;
}

std::string DeviceListCsv(const std::vector<DeviceCsvRow>& rows) {
  std::string out;
  AppendRecord(out, std::vector<std::string>(std::begin(kHeader), std::end(kHeader)));
  for (const DeviceCsvRow& row : rows) {
    std::vector<std::string> fields(row.listTexts.begin(), row.listTexts.end());
    fields[kModelColumn] = InertDeviceText(fields[kModelColumn]);
    const DeviceInfo& d = row.device;
    fields.insert(fields.end(),
                  {DottedAddressText(d.subnetMask), DottedAddressText(d.gateway), DottedAddressText(d.dnsServer),
                   NetworkTypeText(d.networkType), InterfaceNameText(d.interfaceIndex)});
    AppendRecord(out, fields);
  }
  return out;
}

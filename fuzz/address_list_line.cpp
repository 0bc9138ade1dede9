// Feeds arbitrary bytes to the address list line parser and checks what must
// hold for any usable line: the six tokens come from the line, none longer
// than the limit, the type is one of the two, the addresses re-parse to the
// values kept, and the strict MAC reading round-trips through its text form.
#include "batch/address_list_line.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "fuzz/fuzz_checks.h"

namespace {

bool Within(std::string_view line, const std::string& token) {
  return !token.empty() && token.size() <= kAddressListMaxToken && line.find(token) != std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  const std::optional<AddressListRecord> record = ParseAddressListLine(line);

  if (const auto mac = ParseUpperColonMac(line)) {
    char text[18];
    std::snprintf(text, sizeof text, "%02X:%02X:%02X:%02X:%02X:%02X", (*mac)[0], (*mac)[1], (*mac)[2], (*mac)[3],
                  (*mac)[4], (*mac)[5]);
    Require(line == text);
  }
  if (!record) return 0;

  Require(Within(line, record->macText));
  Require((record->typeText == "STATIC" && record->networkType == kNetworkStatic) ||
          (record->typeText == "DHCP" && record->networkType == kNetworkDhcp));
  const uint32_t values[4] = {record->ipAddress, record->subnetMask, record->gateway, record->dnsServer};
  for (size_t i = 0; i < 4; ++i) {
    Require(Within(line, record->addressTexts[i]));
    const std::optional<uint32_t> again = ParseAddressText(record->addressTexts[i]);
    Require(again.has_value() && *again == values[i]);
  }
  return 0;
}

#include "tools/cli/device_text.h"

#include <cstdio>

#include "protocol/address_text.h"
#include "protocol/device_csv.h"
#include "protocol/device_texts.h"

namespace {

template <size_t N>
std::string Decoded(const char (&field)[N]) {
  return DeviceTextUtf8(field, N);
}

// JSON's reader is a program: bidirectional controls stay, escaped by JsonString.
template <size_t N>
std::string DecodedForJson(const char (&field)[N]) {
  return DeviceTextUtf8(field, N, BidiControls::kKeep);
}

// The code point of the three-byte sequence at `i` when it is a
// bidirectional control (all of them are E2 80 xx or E2 81 xx), else 0.
char32_t BidiControlAt(std::string_view text, size_t i) {
  if (i + 2 >= text.size() || static_cast<uint8_t>(text[i]) != 0xE2) return 0;
  const uint8_t second = static_cast<uint8_t>(text[i + 1]), third = static_cast<uint8_t>(text[i + 2]);
  if ((second != 0x80 && second != 0x81) || third < 0x80 || third > 0xBF) return 0;
  const char32_t codePoint = 0x2000 | ((second & 0x3F) << 6) | (third & 0x3F);
  return IsBidiControl(codePoint) ? codePoint : 0;
}

// The list's own texts, as table/row_texts.h words them for the window.
std::string FormatListMac(const uint8_t mac[6]) {
  char text[32];
  std::snprintf(text, sizeof text, "%02X:%02X:%02X - %02X:%02X:%02X", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
  return text;
}

std::string FormatWebPort(uint16_t port) { return port == 0 ? "-" : std::to_string(port); }

std::string FormatAvPorts(const DeviceInfo& device) {
  if (device.avPort1 == 0) return "-";
  std::string text = std::to_string(device.avPort1);
  if (device.avPort2 > 0) {
    text += " / " + std::to_string(device.avPort2);
    if (device.avPort3 > 0) text += " / " + std::to_string(device.avPort3);
  }
  return text;
}

}  // namespace

std::string FormatDeviceLine(const DeviceInfo& device) {
  return Decoded(device.modelName) + "\t" + FormatListMac(device.mac) + "\t" + DottedAddressText(device.sourceAddress) +
         "\t" + FormatWebPort(device.webPort) + "\t" + FormatAvPorts(device);
}

// Bytes from 0x80 up are UTF-8 and pass as they are, but for the
// bidirectional controls: escaped, they cannot reorder a terminal's line.
std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (size_t i = 0; i < text.size(); ++i) {
    const char byte = text[i];
    const unsigned char c = static_cast<unsigned char>(byte);
    if (const char32_t bidi = BidiControlAt(text, i)) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(bidi));
      out += escaped;
      i += 2;
    } else if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(byte);
    } else if (c < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out.push_back(byte);
    }
  }
  return out + "\"";
}

std::string FormatDevicesJson(const std::vector<DeviceInfo>& devices) {
  std::string out = "[";
  for (size_t i = 0; i < devices.size(); ++i) {
    const DeviceInfo& d = devices[i];
    out += i == 0 ? "\n" : ",\n";
    out += "  {\"model\": " + JsonString(DecodedForJson(d.modelName));
    out += ", \"mac\": " + JsonString(MacText(d.mac));
    out += ", \"address\": " + JsonString(DottedAddressText(d.sourceAddress));
    out += ", \"interface\": " + JsonString(InterfaceNameText(d.interfaceIndex));
    out += ", \"webPort\": " + std::to_string(d.webPort);
    out += ", \"avPort1\": " + std::to_string(d.avPort1);
    out += ", \"avPort2\": " + std::to_string(d.avPort2);
    out += ", \"avPort3\": " + std::to_string(d.avPort3);
    out += ", \"avPorts\": " + JsonString(FormatAvPorts(d));
    out += ", \"networkType\": " + std::to_string(d.networkType);
    out += ", \"reportedAddress\": " + JsonString(DottedAddressText(d.ipAddress));
    out += ", \"subnetMask\": " + JsonString(DottedAddressText(d.subnetMask));
    out += ", \"gateway\": " + JsonString(DottedAddressText(d.gateway));
    out += ", \"dnsServer\": " + JsonString(DottedAddressText(d.dnsServer));
    out += ", \"infoText2\": " + JsonString(DecodedForJson(d.infoText2));
    out += ", \"infoText3\": " + JsonString(DecodedForJson(d.infoText3)) + "}";
  }
  return out + (devices.empty() ? "]\n" : "\n]\n");
}

std::string FormatDevicesCsv(const std::vector<DeviceInfo>& devices) {
  std::vector<DeviceCsvRow> rows;
  for (const DeviceInfo& d : devices) {
    rows.push_back({{std::to_string(rows.size() + 1), Decoded(d.modelName), FormatListMac(d.mac),
                     DottedAddressText(d.sourceAddress), FormatWebPort(d.webPort), FormatAvPorts(d), ""},
                    d});
  }
  return DeviceListCsv(rows);
}

#include "tools/cli/device_text.h"

#include <cstdio>

#include "protocol/address_text.h"

namespace {

std::string Printable(const char* text) {
  std::string out;
  for (const char* p = text; *p != '\0'; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    out.push_back(c < 0x20 || c == 0x7F ? '?' : static_cast<char>(c));
  }
  return out;
}

}  // namespace

std::string FormatListMac(const uint8_t mac[6]) {
  char text[32];
  std::snprintf(text, sizeof text, "%02X:%02X:%02X - %02X:%02X:%02X", mac[0], mac[1], mac[2], mac[3],
                mac[4], mac[5]);
  return text;
}

std::string FormatPlainMac(const uint8_t mac[6]) {
  char text[32];
  std::snprintf(text, sizeof text, "%02X:%02X:%02X:%02X:%02X:%02X", mac[0], mac[1], mac[2], mac[3],
                mac[4], mac[5]);
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

std::string FormatDeviceLine(const DeviceInfo& device) {
  return Printable(device.modelName) + "\t" + FormatListMac(device.mac) + "\t" +
         DottedAddressText(device.sourceAddress) + "\t" + FormatWebPort(device.webPort) + "\t" +
         FormatAvPorts(device);
}

std::string JsonString(const char* text) {
  std::string out = "\"";
  for (const char* p = text; *p != '\0'; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(static_cast<char>(c));
    } else if (c < 0x20 || c >= 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out + "\"";
}

std::string FormatDevicesJson(const std::vector<DeviceInfo>& devices) {
  std::string out = "[";
  for (size_t i = 0; i < devices.size(); ++i) {
    const DeviceInfo& d = devices[i];
    auto text = [](const std::string& s) { return JsonString(s.c_str()); };
    out += i == 0 ? "\n" : ",\n";
    out += "  {\"model\": " + JsonString(d.modelName);
    out += ", \"mac\": " + text(FormatPlainMac(d.mac));
    out += ", \"address\": " + text(DottedAddressText(d.sourceAddress));
    out += ", \"webPort\": " + std::to_string(d.webPort);
    out += ", \"avPort1\": " + std::to_string(d.avPort1);
    out += ", \"avPort2\": " + std::to_string(d.avPort2);
    out += ", \"avPort3\": " + std::to_string(d.avPort3);
    out += ", \"avPorts\": " + text(FormatAvPorts(d));
    out += ", \"networkType\": " + std::to_string(d.networkType);
    out += ", \"reportedAddress\": " + text(DottedAddressText(d.ipAddress));
    out += ", \"subnetMask\": " + text(DottedAddressText(d.subnetMask));
    out += ", \"gateway\": " + text(DottedAddressText(d.gateway));
    out += ", \"dnsServer\": " + text(DottedAddressText(d.dnsServer));
    out += ", \"infoText2\": " + JsonString(d.infoText2);
    out += ", \"infoText3\": " + JsonString(d.infoText3) + "}";
  }
  return out + (devices.empty() ? "]\n" : "\n]\n");
}

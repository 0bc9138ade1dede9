// Device records for tests and benchmarks, filled as a decoded search reply
// fills them: a static device answering from its own address on a /24 whose
// gateway is .1 and DNS server .2. The id alone decides the MAC, so records
// built with one id are always the same device; texts stay NUL-terminated.
#pragma once

#include <arpa/inet.h>

#include <cstdint>
#include <cstdio>

#include "protocol/encp_records.h"

struct TestDevice : DeviceInfo {
  // MAC 00:1A:2B:3C:4D:00 plus `id`. Without an address every address field
  // stays zero: a device known by its MAC alone.
  explicit TestDevice(uint16_t id, const char* address = "") : DeviceInfo{} {
    const uint64_t macValue = 0x001A2B3C4D00ull + id;
    for (int i = 0; i < 6; ++i) mac[i] = static_cast<uint8_t>(macValue >> (8 * (5 - i)));
    selector = 1;
    networkType = kNetworkStatic;
    std::snprintf(modelName, sizeof modelName, "NVT-100");
    webPort = 80;
    avPort1 = 4000;
    if (*address == '\0') return;
    sourceAddress = ipAddress = inet_addr(address);
    subnetMask = inet_addr("255.255.255.0");
    gateway = (ipAddress & subnetMask) | htonl(1);
    dnsServer = (ipAddress & subnetMask) | htonl(2);
  }

  // For a device being built: `TestDevice(1, "10.0.0.1").withWebPort(0)`.
  TestDevice withModel(const char* model) && {
    std::snprintf(modelName, sizeof modelName, "%s", model);
    return *this;
  }
  TestDevice withWebPort(uint16_t port) && {
    webPort = port;
    return *this;
  }
  TestDevice withNetworkType(EncpNetworkType type) && {
    networkType = type;
    return *this;
  }
};

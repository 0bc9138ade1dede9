// Device-side reading of ENCP requests. The simulator plays the devices, so
// it decodes requests with its own code instead of the client's codec: the
// tests then pit two independent readings of the same bytes against each
// other, and a mistake shared by both is less likely.
//
// ParseSimRequest is a pure function that accepts any bytes (it is a fuzz
// target): it reads only through WireReader and answers false for anything
// that is not a complete, self-consistent request ("ADCT" magic, a length
// field equal to the datagram size, a known command and type, a size that
// fits the type). Texts longer than a field are cut, never overrun.
#pragma once

#include <cstddef>
#include <cstdint>

enum class SimRequestKind : uint8_t { kSearch, kSetNetwork, kSetTexts, kSetCredential };

struct SimRequest {
  SimRequestKind kind = SimRequestKind::kSearch;
  uint8_t selector = 0;
  uint8_t mac[6] = {};
  uint8_t networkType = 0;  // set-network only: 0 DHCP, 1 static, 2 PPPoE
  char userId[9] = {};      // the 8-byte field, NUL-terminated
  uint8_t credential[22] = {};
  // Static settings, network byte order.
  uint32_t ipAddress = 0;
  uint32_t subnetMask = 0;
  uint32_t gateway = 0;
  uint32_t dnsServer = 0;
  // PPPoE settings.
  char pppoeText1[32] = {};
  char pppoeText2[32] = {};
  char pppoeText3[64] = {};
  uint32_t pppoeValue1 = 0;
  uint8_t pppoeFlag = 0;
  uint32_t pppoeValue2 = 0;
};

bool ParseSimRequest(const uint8_t* data, size_t size, SimRequest& out);

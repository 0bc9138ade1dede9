// The records that ENCP messages carry, as plain structs copied whole by
// value. Field order and widths follow the wire and the callers that fill
// them; IPv4 addresses are kept in network byte order everywhere and only
// converted for display. Text fields are NUL-terminated, except `userId`,
// which holds up to 8 characters with no terminator when full.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr uint16_t kEncpLocalPort = 32153;
inline constexpr uint16_t kEncpDevicePort = 32154;
// 255.255.255.255; the same in either byte order.
inline constexpr uint32_t kEncpBroadcastAddress = 0xFFFFFFFFu;
inline constexpr size_t kEncpReceiveBufferSize = 1024;
// Room for the largest request: a network-texts request with two 127-byte
// texts is 48 + 127 + 127 bytes.
inline constexpr size_t kEncpMaxRequestSize = 512;
// Texts sent with a one-byte length prefix must be shorter than this.
inline constexpr size_t kEncpMaxSentText = 128;

enum EncpNetworkType : uint8_t { kNetworkDhcp = 0, kNetworkStatic = 1, kNetworkPppoe = 2 };

struct DeviceInfo {
  uint8_t mac[6];
  uint32_t sourceAddress;  // where the reply came from: the address the UI uses
  uint8_t selector;
  uint8_t networkType;
  char modelName[64];
  char infoText2[64];
  char infoText3[64];
  uint32_t trailerByte;
  uint32_t ipAddress;
  uint32_t subnetMask;
  uint32_t gateway;
  uint32_t dnsServer;
  char pppoeText1[32];
  char pppoeText2[32];
  char pppoeText3[64];
  uint32_t pppoeValue1;  // as received, not byte-swapped
  uint8_t pppoeFlag;
  uint32_t pppoeValue2;  // as received, not byte-swapped
  uint32_t optionTag2;   // 0 when the reply has no option 2
  uint16_t webPort;
  uint16_t avPort1;
  uint16_t avPort2;
  uint16_t avPort3;
  // The local interface the reply arrived on (0: unknown), so that a request
  // to this device leaves through that one interface and the device hears
  // it once, however many interfaces the PC has on the same LAN.
  int32_t interfaceIndex;
};

// A datagram read while the answer to a change is awaited, and who sent it:
// result replies carry no MAC, so the sender's address (and the selector
// byte, when the reply has one) is all that ties an answer to a device.
struct ResultReply {
  int32_t code = -1;           // 0..255, or -1 for a malformed result reply
  bool isSearchReply = false;  // a search reply is never an answer
  int32_t selector = -1;       // byte 8, or -1 when the reply ends before it
  uint32_t sourceAddress = 0;  // network byte order
  int32_t interfaceIndex = 0;  // the local interface it arrived on; 0 unknown
  // A search reply that decoded whole; the reading endpoint's `lastReply`
  // then holds the device it describes.
  bool searchReplyDecoded = false;
};

struct NetworkSettingRequest {
  uint8_t mac[6];
  uint32_t selector;    // low byte is sent
  int32_t networkType;  // low byte is sent; 0, 1 or 2
  char userId[8];
  char password[22];  // first 16 bytes reach the wire, scrambled
  uint32_t ipAddress;
  uint32_t subnetMask;
  uint32_t gateway;
  uint32_t dnsServer;
  char pppoeText1[32];
  char pppoeText2[32];
  char pppoeText3[64];
  uint32_t pppoeValue1;
  uint8_t pppoeFlag;
  uint32_t pppoeValue2;
};

struct NetworkTextsRequest {
  uint8_t mac[6];
  char userId[8];
  char password[22];
  char text1[64];
  const char* text2;  // NUL-terminated; null counts as empty
};

struct CredentialRequest {
  uint8_t mac[6];
  char userId[8];
  char password[22];
  uint8_t byteValue;
  const char* password2;  // NUL-terminated; null counts as empty
};

#include "tools/nvtsim/sim_request.h"

#include <cstring>

#include "protocol/wire_cursor.h"

namespace {

constexpr uint8_t kCommandSearch = 3;
constexpr uint8_t kCommandSetNetwork = 4;
constexpr uint8_t kCommandCredential = 5;
constexpr uint8_t kTypeTexts = 3;
constexpr size_t kSearchSize = 9;
constexpr size_t kAddressedHeaderSize = 46;  // up to and including the credential field
constexpr size_t kStaticSize = 62;
constexpr size_t kCredentialRequestSize = 69;

// Reads a length-prefixed text whose content the device does not keep.
void SkipText(WireReader& in) { in.skip(in.u8()); }

bool ParseStatic(WireReader& in, SimRequest& out) {
  in.bytes(&out.ipAddress, 4);
  in.bytes(&out.subnetMask, 4);
  in.bytes(&out.gateway, 4);
  in.bytes(&out.dnsServer, 4);
  return in.ok();
}

bool ParsePppoe(WireReader& in, SimRequest& out) {
  in.lengthPrefixedText(out.pppoeText1, sizeof out.pppoeText1);
  in.lengthPrefixedText(out.pppoeText2, sizeof out.pppoeText2);
  in.lengthPrefixedText(out.pppoeText3, sizeof out.pppoeText3);
  in.bytes(&out.pppoeValue1, 4);
  out.pppoeFlag = in.u8();
  in.bytes(&out.pppoeValue2, 4);
  return in.ok();
}

}  // namespace

bool ParseSimRequest(const uint8_t* data, size_t size, SimRequest& out) {
  if (data == nullptr) return false;
  WireReader in(data, size);
  char magic[4];
  in.bytes(magic, 4);
  in.u8();  // version: devices answer whatever the client speaks
  const uint16_t length = in.u16le();
  const uint8_t command = in.u8();
  const uint8_t selector = in.u8();
  if (!in.ok() || std::memcmp(magic, "ADCT", 4) != 0 || length != size) return false;

  SimRequest parsed;
  parsed.selector = selector;
  if (command == kCommandSearch) {
    if (size != kSearchSize) return false;
    parsed.kind = SimRequestKind::kSearch;
    out = parsed;
    return true;
  }
  if (command != kCommandSetNetwork && command != kCommandCredential) return false;

  in.bytes(parsed.mac, 6);
  const uint8_t type = in.u8();
  in.bytes(parsed.userId, 8);
  in.bytes(parsed.credential, sizeof parsed.credential);
  if (!in.ok()) return false;

  bool complete = false;
  if (command == kCommandCredential) {
    parsed.kind = SimRequestKind::kSetCredential;
    in.skip(kCredentialRequestSize - kAddressedHeaderSize);  // carried byte, second field
    complete = type == 3 && in.ok();
  } else if (type == kTypeTexts) {
    parsed.kind = SimRequestKind::kSetTexts;
    SkipText(in);
    SkipText(in);
    complete = in.ok();
  } else {
    parsed.kind = SimRequestKind::kSetNetwork;
    parsed.networkType = type;
    if (type == 0)
      complete = size == kAddressedHeaderSize;
    else if (type == 1)
      complete = size == kStaticSize && ParseStatic(in, parsed);
    else if (type == 2)
      complete = ParsePppoe(in, parsed);
  }
  // Trailing bytes make the request as suspect as missing ones.
  if (!complete || in.position() != size) return false;
  out = parsed;
  return true;
}

#include "encp_codec.h"

#include <cstring>

#include "credential_block.h"
#include "secret_wipe.h"
#include "wire_cursor.h"

namespace {

constexpr uint8_t kRequestMagic[4] = {'A', 'D', 'C', 'T'};
constexpr uint8_t kReplyMagic[4] = {'E', 'N', 'C', 'P'};
constexpr uint8_t kRequestVersion = 2;
constexpr uint8_t kCommandSearch = 3;
constexpr uint8_t kCommandConfigure = 4;
constexpr uint8_t kCommandCredential = 5;
constexpr uint8_t kTextsTypeCode = 3;
constexpr uint8_t kSearchReplyCode = 5;
constexpr uint8_t kFirstPortOptionsVersion = 3;
constexpr size_t kLengthFieldOffset = 5;

enum OptionTag : uint8_t {
  kOptionTag2 = 2,
  kOptionWebPort = 8,
  kOptionAvPort1 = 9,
  kOptionAvPort2 = 10,
  kOptionAvPort3 = 11,
};

// Header shared by the three requests addressed to one device: magic,
// version, a length placeholder, command, selector, MAC, type byte, user ID.
void WriteAddressedHeader(WireWriter& w, uint8_t command, uint8_t selector, const uint8_t mac[6], uint8_t typeByte,
                          const char userId[8]) {
  w.bytes(kRequestMagic, sizeof kRequestMagic);
  w.u8(kRequestVersion);
  w.u16le(0);
  w.u8(command);
  w.u8(selector);
  w.bytes(mac, 6);
  w.u8(typeByte);
  w.bytes(userId, 8);
}

void WriteCredentialField(WireWriter& w, const char* password) {
  static constexpr uint8_t kZeroPrefix[kCredentialPrefixSize] = {};
  uint8_t block[kCredentialBlockSize];
  WipeOnExit wipe(block);
  BuildCredentialBlock(password, block, kZeroPrefix);
  w.bytes(block, kCredentialFieldSize);
}

// A text field's own text: up to its NUL, never past the field.
void WriteFieldText(WireWriter& w, const char* field, size_t fieldSize) {
  w.lengthPrefixedText(field, strnlen(field, fieldSize));
}

// A caller's free-standing text; null counts as empty. Measuring stops at the
// first length that cannot be sent, which the writer then refuses.
void WriteFreeText(WireWriter& w, const char* text) {
  if (text == nullptr) text = "";
  w.lengthPrefixedText(text, strnlen(text, kEncpMaxSentText));
}

int FinishRequest(WireWriter& w) {
  if (w.size() > UINT16_MAX) return -1;
  w.patchU16le(kLengthFieldOffset, static_cast<uint16_t>(w.size()));
  return w.ok() ? static_cast<int>(w.size()) : -1;
}

// The eight bytes every reply starts with; `valid` when they were received
// and begin with the reply magic.
struct ReplyHeader {
  bool valid;
  uint8_t version;
  uint16_t length;
  uint8_t code;
};

ReplyHeader ReadReplyHeader(WireReader& r) {
  uint8_t magic[4];
  r.bytes(magic, sizeof magic);
  ReplyHeader header{};
  header.version = r.u8();
  header.length = r.u16le();
  header.code = r.u8();
  header.valid = r.ok() && std::memcmp(magic, kReplyMagic, sizeof magic) == 0;
  return header;
}

// What the search-reply decoder says about a reply of another kind: its code,
// except that code 1 would read as "decoded" and is reported as -1 instead.
int OtherReplyResult(uint8_t code) { return code == kDecoded ? kNotAReply : code; }

// Options run to the end of the datagram as (tag, length, value). Only values
// long enough for what a tag needs are stored; an option whose value runs
// past the end stops the walk, keeping what was read before it.
void ReadOptions(WireReader& r, uint8_t version, DeviceInfo& device) {
  const bool portsEnabled = version >= kFirstPortOptionsVersion;
  while (r.has(2)) {
    const uint8_t tag = r.u8();
    const uint8_t length = r.u8();
    WireReader value = r.take(length);
    if (!value.ok()) return;

    uint16_t* port = nullptr;
    switch (tag) {
      case kOptionTag2:
        if (value.has(1)) device.optionTag2 = value.u8();
        break;
      case kOptionWebPort:
        port = &device.webPort;
        break;
      case kOptionAvPort1:
        port = &device.avPort1;
        break;
      case kOptionAvPort2:
        port = &device.avPort2;
        break;
      case kOptionAvPort3:
        port = &device.avPort3;
        break;
      default:
        break;
    }
    if (port != nullptr && portsEnabled && value.has(2)) *port = value.u16le();
  }
}

}  // namespace

int EncodeSearchRequest(uint8_t out[kEncpSearchRequestSize]) {
  WireWriter w(out, kEncpSearchRequestSize);
  w.bytes(kRequestMagic, sizeof kRequestMagic);
  w.u8(kRequestVersion);
  w.u16le(static_cast<uint16_t>(kEncpSearchRequestSize));
  w.u8(kCommandSearch);
  w.u8(0xFF);
  return static_cast<int>(w.size());
}

int EncodeSetNetworkRequest(const NetworkSettingRequest& request, uint8_t* out, size_t capacity) {
  if (request.networkType < kNetworkDhcp || request.networkType > kNetworkPppoe) return -1;
  WireWriter w(out, capacity);
  WriteAddressedHeader(w, kCommandConfigure, static_cast<uint8_t>(request.selector & 0xFF), request.mac,
                       static_cast<uint8_t>(request.networkType), request.userId);
  WriteCredentialField(w, request.password);
  switch (request.networkType) {
    case kNetworkStatic:
      w.bytes(&request.ipAddress, 4);
      w.bytes(&request.subnetMask, 4);
      w.bytes(&request.gateway, 4);
      w.bytes(&request.dnsServer, 4);
      break;
    case kNetworkPppoe:
      WriteFieldText(w, request.pppoeText1, sizeof request.pppoeText1);
      WriteFieldText(w, request.pppoeText2, sizeof request.pppoeText2);
      WriteFieldText(w, request.pppoeText3, sizeof request.pppoeText3);
      w.bytes(&request.pppoeValue1, 4);
      w.u8(request.pppoeFlag);
      w.bytes(&request.pppoeValue2, 4);
      break;
    default:
      break;
  }
  return FinishRequest(w);
}

int EncodeNetworkTextsRequest(const NetworkTextsRequest& request, uint8_t* out, size_t capacity) {
  WireWriter w(out, capacity);
  WriteAddressedHeader(w, kCommandConfigure, 0, request.mac, kTextsTypeCode, request.userId);
  WriteCredentialField(w, request.password);
  WriteFieldText(w, request.text1, sizeof request.text1);
  WriteFreeText(w, request.text2);
  return FinishRequest(w);
}

int EncodeCredentialRequest(const CredentialRequest& request, uint8_t* out, size_t capacity) {
  const char* password2 = request.password2 != nullptr ? request.password2 : "";
  if (strnlen(password2, kEncpMaxSentText) >= kEncpMaxSentText) return -1;
  WireWriter w(out, capacity);
  WriteAddressedHeader(w, kCommandCredential, 0, request.mac, kTextsTypeCode, request.userId);
  WriteCredentialField(w, request.password);
  w.u8(request.byteValue);
  WriteCredentialField(w, password2);
  return FinishRequest(w);
}

int DecodeSearchReply(const uint8_t* data, size_t size, uint32_t sourceAddress, DeviceInfo& out) {
  WireReader r(data, size);
  const ReplyHeader header = ReadReplyHeader(r);
  if (!header.valid) return kNotAReply;
  if (header.code != kSearchReplyCode) return OtherReplyResult(header.code);
  if (header.length != size) return kLengthMismatch;

  DeviceInfo device{};
  device.sourceAddress = sourceAddress;
  device.selector = r.u8();
  r.bytes(device.mac, sizeof device.mac);
  device.networkType = r.u8();
  r.skip(1);
  r.lengthPrefixedText(device.modelName, sizeof device.modelName);
  r.lengthPrefixedText(device.infoText2, sizeof device.infoText2);
  r.lengthPrefixedText(device.infoText3, sizeof device.infoText3);
  r.bytes(&device.ipAddress, 4);
  r.bytes(&device.subnetMask, 4);
  r.bytes(&device.gateway, 4);
  r.bytes(&device.dnsServer, 4);
  r.lengthPrefixedText(device.pppoeText1, sizeof device.pppoeText1);
  r.lengthPrefixedText(device.pppoeText2, sizeof device.pppoeText2);
  r.lengthPrefixedText(device.pppoeText3, sizeof device.pppoeText3);
  r.bytes(&device.pppoeValue1, 4);
  device.pppoeFlag = r.u8();
  r.bytes(&device.pppoeValue2, 4);
  device.trailerByte = r.u8();
  if (!r.ok()) return kNotAReply;

  ReadOptions(r, header.version, device);
  out = device;
  return kDecoded;
}

int DecodeResultReply(const uint8_t* data, size_t size) {
  WireReader r(data, size);
  const ReplyHeader header = ReadReplyHeader(r);
  if (!header.valid || header.length != size) return kNotAReply;
  return header.code;
}

ResultReply DecodeResultDatagram(const uint8_t* data, size_t size) {
  ResultReply reply;
  reply.code = DecodeResultReply(data, size);
  WireReader r(data, size);
  const ReplyHeader header = ReadReplyHeader(r);
  reply.isSearchReply = header.valid && header.code == kSearchReplyCode;
  const uint8_t selector = r.u8();
  if (r.ok()) reply.selector = selector;
  return reply;
}

int DecodeOversizedSearchReply(const uint8_t* data, size_t size) {
  WireReader r(data, size);
  const ReplyHeader header = ReadReplyHeader(r);
  if (!header.valid) return kNotAReply;
  if (header.code != kSearchReplyCode) return OtherReplyResult(header.code);
  return kLengthMismatch;
}

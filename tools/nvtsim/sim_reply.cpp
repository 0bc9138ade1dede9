#include "tools/nvtsim/sim_reply.h"

#include <cstring>
#include <string>

#include "protocol/wire_cursor.h"

namespace {

constexpr uint8_t kSearchReplyCode = 5;
constexpr size_t kLengthFieldOffset = 5;
constexpr size_t kLongText = 255;
// The other three texts of a long-texts reply: the reply must still fit a
// client's 1024-byte buffer, and six 255-byte texts would not.
constexpr size_t kLongishText = 40;
constexpr uint8_t kReplyVersion = 3;
// Inside the addresses of any reply, whatever its texts.
constexpr size_t kCutFixedPartLength = 50;
constexpr uint8_t kOverrunOptionLength = 200;

// Writes a length-prefixed text. Unlike the client's request texts, device
// texts may use the whole one-byte length.
void PutText(WireWriter& out, const std::string& text, size_t stretchTo) {
  std::string value = text.substr(0, kLongText);
  for (size_t i = value.size(); i < stretchTo; ++i) value.push_back(static_cast<char>('a' + i % 26));
  out.u8(static_cast<uint8_t>(value.size()));
  out.bytes(value.data(), value.size());
}

void PutPortOption(WireWriter& out, uint8_t tag, uint16_t port) {
  out.u8(tag);
  out.u8(2);
  out.u16le(port);
}

void PutHeader(WireWriter& out, uint8_t version, uint8_t code) {
  out.bytes("ENCP", 4);
  out.u8(version);
  out.u16le(0);  // patched when the size is known
  out.u8(code);
}

size_t Finish(WireWriter& out) {
  if (!out.ok()) return 0;
  out.patchU16le(kLengthFieldOffset, static_cast<uint16_t>(out.size()));
  return out.ok() ? out.size() : 0;
}

std::vector<uint8_t> JunkDeviceReply() {
  SimDevice device;
  std::memcpy(device.mac, kSimJunkMac, 6);
  device.model = "JUNK";
  std::vector<uint8_t> bytes(kSimMaxDatagram);
  bytes.resize(EncodeSimSearchReply(device, bytes.data(), bytes.size()));
  return bytes;
}

void SetLengthField(uint8_t* datagram, size_t length) {
  datagram[kLengthFieldOffset] = static_cast<uint8_t>(length & 0xFF);
  datagram[kLengthFieldOffset + 1] = static_cast<uint8_t>(length >> 8);
}
void SetLengthField(std::vector<uint8_t>& datagram, size_t length) { SetLengthField(datagram.data(), length); }

}  // namespace

size_t EncodeSimSearchReply(const SimDevice& device, uint8_t* out, size_t capacity) {
  WireWriter w(out, capacity);
  const size_t longText = device.longTexts ? kLongText : 0;
  const size_t longishText = device.longTexts ? kLongishText : 0;
  PutHeader(w, device.version, kSearchReplyCode);
  w.u8(device.selector);
  w.bytes(device.mac, 6);
  w.u8(device.networkType);
  w.u8(0);
  PutText(w, device.model, longText);
  PutText(w, "sim firmware", longishText);
  PutText(w, "", longishText);
  w.bytes(&device.address, 4);
  w.bytes(&device.subnetMask, 4);
  w.bytes(&device.gateway, 4);
  w.bytes(&device.dnsServer, 4);
  PutText(w, device.pppoeText1, longText);
  PutText(w, device.pppoeText2, longishText);
  PutText(w, device.pppoeText3, longText);
  w.zeros(4);  // PPPoE value 1
  w.u8(0);     // PPPoE flag
  w.zeros(4);  // PPPoE value 2
  w.u8(0);     // trailer byte

  w.u8(2);
  w.u8(1);
  w.u8(kSimOptionTag2Value);
  w.u8(kSimUnknownOptionTag);
  w.u8(3);
  w.zeros(3);
  PutPortOption(w, 8, device.webPort);
  PutPortOption(w, 9, device.avPorts[0]);
  PutPortOption(w, 10, device.avPorts[1]);
  if (device.replyFault == SimReplyFault::kOptionOverrun) {
    w.u8(11);
    w.u8(kOverrunOptionLength);
    w.u16le(device.avPorts[2]);
  } else {
    PutPortOption(w, 11, device.avPorts[2]);
  }
  const size_t size = Finish(w);
  if (device.replyFault != SimReplyFault::kCutFixedPart || size < kCutFixedPartLength) return size;
  SetLengthField(out, kCutFixedPartLength);
  return kCutFixedPartLength;
}

size_t EncodeSimResultReply(uint8_t code, uint8_t selector, uint8_t* out, size_t capacity) {
  WireWriter w(out, capacity);
  PutHeader(w, kReplyVersion, code);
  w.u8(selector);
  return Finish(w);
}

std::vector<std::vector<uint8_t>> MakeJunkDatagrams() {
  std::vector<std::vector<uint8_t>> junk;
  const std::vector<uint8_t> reply = JunkDeviceReply();

  std::vector<uint8_t> badMagic = reply;
  std::memcpy(badMagic.data(), "ENCQ", 4);
  junk.push_back(badMagic);

  std::vector<uint8_t> lengthPlusOne = reply;
  SetLengthField(lengthPlusOne, reply.size() + 1);
  junk.push_back(lengthPlusOne);

  std::vector<uint8_t> lengthMinusOne = reply;
  SetLengthField(lengthMinusOne, reply.size() - 1);
  junk.push_back(lengthMinusOne);

  // Consistent length field, but the fixed part stops inside the addresses.
  std::vector<uint8_t> cutShort(reply.begin(), reply.begin() + 50);
  SetLengthField(cutShort, cutShort.size());
  junk.push_back(cutShort);

  // Declares more text than the datagram holds.
  std::vector<uint8_t> textOverrun(reply.begin(), reply.begin() + 20);
  textOverrun[17] = 200;
  SetLengthField(textOverrun, textOverrun.size());
  junk.push_back(textOverrun);

  const uint8_t searchEcho[] = {'A', 'D', 'C', 'T', 2, 9, 0, 3, 0xFF};
  junk.emplace_back(searchEcho, searchEcho + sizeof searchEcho);

  std::vector<uint8_t> noise(64);
  uint32_t state = 0x2545F491u;
  for (uint8_t& b : noise) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    b = static_cast<uint8_t>(state);
  }
  junk.push_back(noise);

  junk.emplace_back();  // empty datagram

  // Larger than a client's 1024-byte buffer: only its start fits, so the
  // length field can never match what the client received.
  std::vector<uint8_t> oversized = reply;
  oversized.resize(1200, 0);
  SetLengthField(oversized, oversized.size());
  junk.push_back(oversized);
  return junk;
}

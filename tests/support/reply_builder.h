// Builds ENCP replies byte by byte for tests, independently of the codec
// under test, so that a mistake in the decoder cannot hide behind the same
// mistake in an encoder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class ReplyBuilder {
 public:
  // "ENCP", version, length placeholder, code.
  explicit ReplyBuilder(uint8_t version = 3, uint8_t code = 5) { bytes_ = {'E', 'N', 'C', 'P', version, 0, 0, code}; }

  ReplyBuilder& raw(std::initializer_list<uint8_t> values) {
    bytes_.insert(bytes_.end(), values);
    return *this;
  }
  ReplyBuilder& text(const std::string& t) {
    bytes_.push_back(static_cast<uint8_t>(t.size()));
    bytes_.insert(bytes_.end(), t.begin(), t.end());
    return *this;
  }
  ReplyBuilder& option(uint8_t tag, std::initializer_list<uint8_t> value) {
    bytes_.push_back(tag);
    bytes_.push_back(static_cast<uint8_t>(value.size()));
    return raw(value);
  }
  ReplyBuilder& filler(size_t count, uint8_t value) {
    bytes_.insert(bytes_.end(), count, value);
    return *this;
  }

  // The search reply's fixed part with the given texts (model, info 2, info
  // 3, PPPoE 1..3); addresses 192.168.1.10 / 255.255.255.0 / 192.168.1.1 /
  // 8.8.8.8, PPPoE values 11 22 33 44 and 55 66 77 88, flag 0x99, trailer 0x42.
  // MAC 00:1A:2B:3C:4D:5E unless `mac` is given.
  ReplyBuilder& searchFixedPart(const std::string texts[6] = nullptr, const uint8_t* mac = nullptr) {
    static const uint8_t kMac[6] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
    static const std::string kNone[6];
    if (texts == nullptr) texts = kNone;
    raw({7});  // selector
    bytes_.insert(bytes_.end(), mac ? mac : kMac, (mac ? mac : kMac) + 6);
    raw({1, 0xEE});  // static; uninterpreted byte
    text(texts[0]).text(texts[1]).text(texts[2]);
    raw({192, 168, 1, 10, 255, 255, 255, 0, 192, 168, 1, 1, 8, 8, 8, 8});
    text(texts[3]).text(texts[4]).text(texts[5]);
    raw({0x11, 0x22, 0x33, 0x44, 0x99, 0x55, 0x66, 0x77, 0x88, 0x42});
    return *this;
  }

  // Writes the little-endian length field: the true size, or a chosen one.
  std::vector<uint8_t> finish(size_t lengthField = SIZE_MAX) {
    if (lengthField == SIZE_MAX) lengthField = bytes_.size();
    bytes_[5] = static_cast<uint8_t>(lengthField & 0xFF);
    bytes_[6] = static_cast<uint8_t>((lengthField >> 8) & 0xFF);
    return bytes_;
  }

 private:
  std::vector<uint8_t> bytes_;
};

// Bounds-checked access to datagram bytes, the one way this code base reads
// or writes a wire buffer. A cursor never touches memory outside the span it
// was given: a read past the end yields zeros and latches `ok() == false`, a
// write past the capacity is dropped and latches the same. Decoders read a
// whole fixed part and then test `ok()` once, instead of counting offsets by
// hand before every field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

class WireReader {
 public:
  WireReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  bool ok() const { return ok_; }
  size_t position() const { return pos_; }
  size_t remaining() const { return pos_ <= size_ ? size_ - pos_ : 0; }
  bool atEnd() const { return pos_ >= size_; }

  // True when `count` bytes from the current position were received.
  bool has(size_t count) const { return count <= remaining(); }

  uint8_t u8() {
    if (!has(1)) return fail(1), 0;
    return data_[pos_++];
  }

  uint16_t u16le() {
    if (!has(2)) return fail(2), 0;
    uint16_t v = static_cast<uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
    pos_ += 2;
    return v;
  }

  // Copies `count` bytes unchanged (addresses in network order, opaque values).
  void bytes(void* out, size_t count) {
    if (!has(count)) {
      std::memset(out, 0, count);
      fail(count);
      return;
    }
    std::memcpy(out, data_ + pos_, count);
    pos_ += count;
  }

  // Reads a one-byte length n and n text bytes into a field of `capacity`
  // bytes. Text beyond capacity - 1 is skipped (cut, not an error); the field
  // is always NUL-terminated.
  void lengthPrefixedText(char* field, size_t capacity) {
    size_t n = u8();
    size_t kept = n < capacity ? n : capacity - 1;
    if (!has(n)) {
      field[0] = '\0';
      fail(n);
      return;
    }
    std::memcpy(field, data_ + pos_, kept);
    field[kept] = '\0';
    pos_ += n;
  }

  void skip(size_t count) {
    if (!has(count)) return fail(count);
    pos_ += count;
  }

  // A reader over the next `count` bytes, which this one then passes over;
  // when fewer remain, an empty reader and both latch `ok() == false`.
  WireReader take(size_t count) {
    if (!has(count)) {
      fail(count);
      WireReader empty(nullptr, 0);
      empty.ok_ = false;
      return empty;
    }
    WireReader part(data_ + pos_, count);
    pos_ += count;
    return part;
  }

 private:
  void fail(size_t) {
    ok_ = false;
    pos_ = size_;
  }

  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
  bool ok_ = true;
};

class WireWriter {
 public:
  WireWriter(uint8_t* out, size_t capacity) : out_(out), capacity_(capacity) {}

  bool ok() const { return ok_; }
  size_t size() const { return pos_; }

  void u8(uint8_t v) { bytes(&v, 1); }

  void u16le(uint16_t v) {
    uint8_t b[2] = {static_cast<uint8_t>(v & 0xFF), static_cast<uint8_t>(v >> 8)};
    bytes(b, 2);
  }

  void bytes(const void* data, size_t count) {
    if (!ok_ || count > capacity_ - pos_) {
      ok_ = false;
      return;
    }
    std::memcpy(out_ + pos_, data, count);
    pos_ += count;
  }

  void zeros(size_t count) {
    if (!ok_ || count > capacity_ - pos_) {
      ok_ = false;
      return;
    }
    std::memset(out_ + pos_, 0, count);
    pos_ += count;
  }

  // Writes a one-byte length and the text; refuses texts of 128 bytes or more.
  void lengthPrefixedText(const char* text, size_t length) {
    if (length >= 128) {
      ok_ = false;
      return;
    }
    u8(static_cast<uint8_t>(length));
    bytes(text, length);
  }

  // Overwrites two bytes already written (the header's length field).
  void patchU16le(size_t offset, uint16_t v) {
    if (!ok_ || offset + 2 > pos_) {
      ok_ = false;
      return;
    }
    out_[offset] = static_cast<uint8_t>(v & 0xFF);
    out_[offset + 1] = static_cast<uint8_t>(v >> 8);
  }

 private:
  uint8_t* out_;
  size_t capacity_;
  size_t pos_ = 0;
  bool ok_ = true;
};

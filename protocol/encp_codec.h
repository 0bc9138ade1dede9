// Encoding of the four ENCP requests and decoding of the two replies: pure functions over byte
// spans, no sockets, no allocation, no clock but the credential salt's. Every read goes through
// WireReader, so a datagram of any size or content is safe to hand in.
//
// A search reply on the wire (addresses in network order, the length and
// the port options little-endian; "t" is a one-byte length and its text):
//
//   0      4   5      7    8         9       15     16   17
//   +------+---+------+----+---------+-------+------+----+-----------------
//   |"ENCP"|ver|length|code|selector | MAC   | type | -- | t model, t info2,
//   |      |   |  LE  | 5  |         | 6 B   |      |    | t info3
//   +------+---+------+----+---------+-------+------+----+-----------------
//   | IP 4 | mask 4 | gateway 4 | DNS 4 | t pppoe1, t pppoe2, t pppoe3 |
//   | pppoe value1 4 | flag 1 | pppoe value2 4 | trailer 1 |
//   | options to the end: tag 1, length L 1, value L (8 web port, 9..11 AV
//   | ports, read from version 3 on; 2 read always; others skipped)
#pragma once

#include <cstddef>
#include <cstdint>

#include "encp_records.h"

inline constexpr size_t kEncpSearchRequestSize = 9;

inline constexpr int kDecoded = 1;
inline constexpr int kNotAReply = -1;
inline constexpr int kLengthMismatch = -3;

// Writes the fixed 9-byte search request; returns 9.
int EncodeSearchRequest(uint8_t out[kEncpSearchRequestSize]);

// Each returns the encoded length, or -1 when the request cannot be encoded
// (unknown network type, a text of 128 bytes or more, too small a buffer).
int EncodeSetNetworkRequest(const NetworkSettingRequest& request, uint8_t* out, size_t capacity);
int EncodeNetworkTextsRequest(const NetworkTextsRequest& request, uint8_t* out, size_t capacity);
int EncodeCredentialRequest(const CredentialRequest& request, uint8_t* out, size_t capacity);

// In order: kNotAReply without the "ENCP" magic or the 8 header bytes; the code byte when it is
// not 5 (kNotAReply for code 1, which would otherwise read as success); kLengthMismatch when the
// length field differs from the size; kNotAReply when the fixed part runs past the received
// bytes; otherwise kDecoded with `out` filled, which any other result leaves untouched. Texts
// longer than their field are cut to 63 or 31 characters; an option whose value runs past the
// end ends the option walk, keeping the options before it.
int DecodeSearchReply(const uint8_t* data, size_t size, uint32_t sourceAddress, DeviceInfo& out);

// The result code (0..255) of a well-formed reply; -1 otherwise.
int DecodeResultReply(const uint8_t* data, size_t size);

// The fields of `ResultReply` a datagram gives (the code as above, whether
// it is a search reply, the selector byte); the caller adds the sender.
ResultReply DecodeResultDatagram(const uint8_t* data, size_t size);

// What DecodeSearchReply says about a datagram too large for the receive
// buffer, given the part that was kept: the magic and the code byte decide
// as for any reply, and the length check fails (-3).
int DecodeOversizedSearchReply(const uint8_t* data, size_t size);

// A stand-in for devices in worker tests: a loopback UDP socket that takes
// the worker's search request and answers its sender with datagrams built
// byte by byte, not with the codec under test.
#pragma once

#include <string>

#include "tests/support/loopback_udp.h"
#include "tests/support/reply_builder.h"

inline std::vector<uint8_t> SearchReply(const uint8_t mac[6], const std::string& model, uint16_t webPort = 0) {
  const std::string texts[6] = {model};
  ReplyBuilder reply(3);
  reply.searchFixedPart(texts, mac);
  if (webPort != 0) reply.option(8, {static_cast<uint8_t>(webPort & 0xFF), static_cast<uint8_t>(webPort >> 8)});
  return reply.finish();
}

inline std::vector<uint8_t> ResultReplyBytes(uint8_t code) { return ReplyBuilder(3, code).finish(); }

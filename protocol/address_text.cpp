#include "address_text.h"

#include <arpa/inet.h>

#include <cstring>

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool ParseDottedAddress(std::string_view text, uint32_t* networkOrder) {
  char terminated[INET_ADDRSTRLEN] = {};
  if (text.size() >= sizeof terminated) return false;
  std::memcpy(terminated, text.data(), text.size());
  in_addr parsed{};
  if (inet_pton(AF_INET, terminated, &parsed) != 1) return false;
  *networkOrder = parsed.s_addr;
  return true;
}

std::string DottedAddressText(uint32_t networkOrder) {
  in_addr address{};
  address.s_addr = networkOrder;
  char text[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &address, text, sizeof text);
  return text;
}

bool ParseMacText(std::string_view text, uint8_t mac[6]) {
  if (text.size() != 17) return false;
  for (int i = 0; i < 6; ++i) {
    const int high = HexValue(text[i * 3]);
    const int low = HexValue(text[i * 3 + 1]);
    if (high < 0 || low < 0) return false;
    if (i < 5 && text[i * 3 + 2] != ':' && text[i * 3 + 2] != '-') return false;
    mac[i] = static_cast<uint8_t>(high * 16 + low);
  }
  return true;
}

std::string MacText(const uint8_t mac[6]) {
  char text[18];
  std::snprintf(text, sizeof text, "%02X:%02X:%02X:%02X:%02X:%02X", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
  return text;
}

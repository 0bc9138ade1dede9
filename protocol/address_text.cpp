#include "address_text.h"

#include <arpa/inet.h>

#include <cstring>

bool ParseDottedAddress(std::string_view text, uint32_t* networkOrder) {
  char terminated[INET_ADDRSTRLEN] = {};
  if (text.size() >= sizeof terminated) return false;
  std::memcpy(terminated, text.data(), text.size());
  in_addr parsed{};
  if (inet_pton(AF_INET, terminated, &parsed) != 1) return false;
  *networkOrder = parsed.s_addr;
  return true;
}

std::string FormatDottedAddress(uint32_t networkOrder) {
  in_addr address{};
  address.s_addr = networkOrder;
  char text[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &address, text, sizeof text);
  return text;
}

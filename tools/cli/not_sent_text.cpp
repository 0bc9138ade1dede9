#include "tools/cli/not_sent_text.h"

#include <cerrno>
#include <cstring>

std::string PortUnavailableText(uint16_t port, int error) {
  const std::string prefix = "tavrix-cli: UDP port " + std::to_string(port);
  if (error == EADDRINUSE) return prefix + " is held by another program; nothing was sent";
  return prefix + " cannot be opened (" + std::strerror(error) + "); nothing was sent";
}

std::string SearchNotSentText(int error) {
  return std::string("tavrix-cli: the search could not be sent (") + std::strerror(error) +
         "); no device can have answered";
}

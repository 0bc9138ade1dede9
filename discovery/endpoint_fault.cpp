#include "discovery/endpoint_fault.h"

#include <QCoreApplication>
#include <cerrno>
#include <system_error>

std::optional<EndpointFault> OpenFaultAfterInit(int32_t initResult, uint16_t localPort) {
  if (initResult == 0) return std::nullopt;
  const int error = errno;
  return EndpointFault{localPort, error != 0 ? error : EIO};
}

QString EndpointFaultText(const EndpointFault& fault) {
  return QCoreApplication::translate("Tavrix",
                                     "UDP port %1 cannot be used (%2).\n"
                                     "Another program may be holding it: close that program and try again.")
      .arg(fault.localPort)
      .arg(QString::fromStdString(std::generic_category().message(fault.errorNumber)));
}

QString WithheldChangeText(const EndpointFault& fault) {
  return EndpointFaultText(fault) + QCoreApplication::translate("Tavrix", "\nNo setting was sent.");
}

QString RepliesLostText(int64_t dropped) {
  return QCoreApplication::translate(
             "Tavrix",
             "The device list may be incomplete: %1 replies to the search were lost because the receive buffer "
             "was full.\n"
             "Scan again to find the missing devices. To stop the losses, raise net.core.rmem_max (see the README).")
      .arg(dropped);
}

#include "tools/cli/set_exchange.h"

#include <algorithm>
#include <cstring>

#include "protocol/encp_endpoint.h"
#include "protocol/setting_exchange.h"
#include "protocol/setting_request.h"

NetworkSettingRequest BuildSetRequest(const DeviceInfo& device, const CliArgs& args, const std::string& password) {
  NetworkSettingRequest request = SettingRequestFor(device);
  request.networkType = args.dhcp ? kNetworkDhcp : kNetworkStatic;
  std::memcpy(request.userId, args.userId.data(), std::min(args.userId.size(), sizeof request.userId));
  std::memcpy(request.password, password.data(), std::min(password.size(), sizeof request.password - 1));
  request.ipAddress = args.ipAddress;
  request.subnetMask = args.subnetMask;
  request.gateway = args.gateway;
  request.dnsServer = args.dnsServer;
  return request;
}

int RunSetExchange(const EncpEndpointSettings& settings, const DeviceInfo& device,
                   const NetworkSettingRequest& request) {
  EncpEndpoint endpoint(settings);
  if (endpoint.openResult() != 0) return kSetPortUnavailable;
  SettingExchange exchange(endpoint.client());
  const SentChange& change = exchange.Exchange(request, ChangeTargetFor(device, request));
  if (change.sendFailed) return kSetNotSent;
  return change.answer.value_or(kSetNoAnswer);
}

std::string SetOutcomeText(int outcome) {
  switch (outcome) {
    case 0:
      return "Network settings accepted. The device is moving to its new address.";
    case 2:
      return "Invalid Athentication Information.\nCheck the Administrator ID and Password !";
    case kSetNoAnswer:
      return "No answer from the device within 1 second.";
    case kSetNotSent:
      return "Network setting failed !";
    case kSetPortUnavailable:
      return "Could not open the local port (another program may hold it); no setting was sent.";
    default:
      return "Configuration Error !\nPlease check IP, netmask ro gateway and correct them.";
  }
}

int SetOutcomeExitStatus(int outcome) {
  switch (outcome) {
    case 0:
      return 0;
    case 2:
      return 3;
    case kSetNoAnswer:
    case kSetNotSent:
    case kSetPortUnavailable:
      return 1;
    default:
      return 4;
  }
}

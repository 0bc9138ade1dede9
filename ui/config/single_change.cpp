#include "ui/config/single_change.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cstring>

#include "protocol/encp_endpoint.h"
#include "protocol/secret_wipe.h"
#include "protocol/setting_exchange.h"
#include "protocol/setting_request.h"
#include "ui/common/translation.h"

namespace {

template <size_t N>
void CopyText(char (&field)[N], const std::string& text) {
  std::memcpy(field, text.data(), std::min(text.size(), N));
}

}  // namespace

NetworkSettingRequest BuildSettingRequest(const DeviceInfo& device, const SettingsPanelValues& panel,
                                          const std::string& userId, const std::string& password) {
  NetworkSettingRequest request = SettingRequestFor(device);
  request.networkType = panel.staticChecked ? kNetworkStatic : panel.dhcpChecked ? kNetworkDhcp : kNetworkPppoe;
  CopyText(request.userId, userId);
  CopyText(request.password, password);
  request.ipAddress = htonl(panel.ipAddress);
  request.subnetMask = htonl(panel.subnetMask);
  request.gateway = htonl(panel.gateway);
  request.dnsServer = htonl(panel.dnsServer);
  return request;
}

ExchangeOutcome RunSettingExchange(const EncpEndpointSettings& settings, const DeviceInfo& device,
                                   NetworkSettingRequest& request) {
  WipeOnExit wipe(request.password);
  ExchangeOutcome outcome;
  EncpEndpoint endpoint(settings);
  outcome.endpointFault = OpenFaultAfterInit(endpoint.openResult(), settings.localPort);
  if (outcome.endpointFault) return outcome;
  SettingExchange exchange(endpoint.client());
  const SentChange& change = exchange.Exchange(request, ChangeTargetFor(device, request));
  outcome.sendFailed = change.sendFailed;
  outcome.answered = change.answer.has_value();
  outcome.resultCode = change.answer.value_or(-1);
  return outcome;
}

QStringList ExchangeFailureTexts(const ExchangeOutcome& outcome) {
  QStringList texts;
  if (outcome.endpointFault) return {WithheldChangeText(*outcome.endpointFault)};
  if (outcome.sendFailed) texts << UiText(kApplySendFailedText);
  if (outcome.answered && outcome.resultCode == 2) {
    texts << UiText(kApplyBadLoginText);
  } else if (outcome.answered && outcome.resultCode != 0) {
    texts << UiText(kApplyConfigErrorText);
  }
  return texts;
}

#include "ui/config/single_change.h"

#include <arpa/inet.h>

#include "batch/change_engine.h"
#include "ui/common/translation.h"

RequestedSettings PanelSettings(const SettingsPanelValues& panel) {
  return {panel.staticChecked ? kNetworkStatic
          : panel.dhcpChecked ? kNetworkDhcp
                              : kNetworkPppoe,
          htonl(panel.ipAddress), htonl(panel.subnetMask), htonl(panel.gateway), htonl(panel.dnsServer)};
}

ExchangeOutcome RunSettingExchange(const EncpEndpointSettings& settings, const DeviceInfo& device,
                                   const RequestedSettings& requested, SettingCredential credential) {
  ChangeEngineSeams seams;
  seams.endpoint = settings;
  seams.verifyFor = std::chrono::milliseconds(0);
  const ChangeRunResult run = RunChangeEngine({{MacOf(device.mac), device, requested}}, std::move(credential), seams);
  ExchangeOutcome outcome;
  if (run.end == ChangeRunEnd::kEndpointUnavailable) {
    outcome.endpointFault = EndpointFault{settings.localPort, run.openError};
    return outcome;
  }
  switch (run.lines.front().outcome) {
    case ChangeOutcome::kVerified:
    case ChangeOutcome::kAcceptedNotSeen:
      outcome.answered = true;
      outcome.resultCode = 0;
      break;
    case ChangeOutcome::kRefusedCredential:
      outcome.answered = true;
      outcome.resultCode = 2;
      break;
    case ChangeOutcome::kRefused:
      outcome.answered = true;
      break;
    case ChangeOutcome::kNotSent:
      outcome.sendFailed = true;
      break;
    default:
      break;
  }
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

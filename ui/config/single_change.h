// Changing one device's network settings from the settings panel, without the
// widgets: the request, one exchange with the device through the change
// engine, and what the operator is told.
//
// Invariants: the window thread blocks for the exchange (a few seconds at
// most); the endpoint lives only for the exchange and binds the local port,
// so no other endpoint may be open. An acceptance is final once heard; the
// window's re-scans verify it.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <string>

#include "discovery/endpoint_fault.h"
#include "protocol/encp_client.h"
#include "protocol/setting_request.h"

inline constexpr const char* kApplyConfirmText = QT_TRANSLATE_NOOP("Tavrix", "Apply Changes. Are you sure?");
inline constexpr const char* kApplySendFailedText = QT_TRANSLATE_NOOP("Tavrix", "Network setting failed !");
inline constexpr const char* kApplyBadLoginText =
    QT_TRANSLATE_NOOP("Tavrix", "Invalid Athentication Information.\nCheck the Administrator ID and Password !");
inline constexpr const char* kApplyConfigErrorText =
    QT_TRANSLATE_NOOP("Tavrix", "Configuration Error !\nPlease check IP, netmask ro gateway and correct them.");

// What the settings panel holds when Apply is pressed. Addresses in host
// byte order, as the address edits give them.
struct SettingsPanelValues {
  bool staticChecked = false;
  bool dhcpChecked = false;
  uint32_t ipAddress = 0;
  uint32_t subnetMask = 0;
  uint32_t gateway = 0;
  uint32_t dnsServer = 0;
};

// Static when ticked, else DHCP when ticked, else PPPoE; the addresses in
// network byte order.
RequestedSettings PanelSettings(const SettingsPanelValues& panel);

struct ExchangeOutcome {
  // Set when the endpoint could not be opened; nothing was then sent.
  std::optional<EndpointFault> endpointFault;
  bool sendFailed = false;
  bool answered = false;  // the device answered within the second
  int resultCode = -1;    // when answered: the device's code, -1 for a malformed answer
  bool accepted() const { return answered && resultCode == 0; }
};

// Sends `device` the settings; the credential is wiped whatever the outcome.
ExchangeOutcome RunSettingExchange(const EncpEndpointSettings& settings, const DeviceInfo& device,
                                   const RequestedSettings& requested, SettingCredential credential);

// The error boxes to show, in order: an endpoint that could not be opened
// (alone), or the send failure first (the exchange still waits for an
// answer after it), then the device's refusal. Empty for an acceptance and
// for silence.
QStringList ExchangeFailureTexts(const ExchangeOutcome& outcome);

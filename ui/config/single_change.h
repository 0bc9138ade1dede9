// Changing one device's network settings from the settings panel, without
// the widgets: the request built from the selected record, the panel and the
// login, one exchange with the device, and what the operator is told.
//
// One request, one wait of at most one second for the device's own answer
// (SettingExchange decides which datagram that is), no retry. The window
// thread blocks for that second; the endpoint lives only for the exchange
// and binds the local port, so no other endpoint may be open.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <string>

#include "discovery/endpoint_fault.h"
#include "protocol/encp_client.h"

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

// Static when ticked, else DHCP when ticked, else PPPoE. The ID keeps at most
// 8 bytes (no terminator when full), the password at most 22; both are taken
// byte for byte. MAC, selector and PPPoE fields come from the device's record.
NetworkSettingRequest BuildSettingRequest(const DeviceInfo& device, const SettingsPanelValues& panel,
                                          const std::string& userId, const std::string& password);

struct ExchangeOutcome {
  // Set when the endpoint could not be opened; nothing was then sent.
  std::optional<EndpointFault> endpointFault;
  bool sendFailed = false;
  bool answered = false;  // the device answered within the second
  int resultCode = -1;    // when answered: the device's code, -1 for a malformed answer
  bool accepted() const { return answered && resultCode == 0; }
};

// Sends `request` to `device` and, whatever the outcome, wipes its password
// on return.
ExchangeOutcome RunSettingExchange(const EncpEndpointSettings& settings, const DeviceInfo& device,
                                   NetworkSettingRequest& request);

// The error boxes to show, in order: an endpoint that could not be opened
// (alone), or the send failure first (the exchange still waits for an
// answer after it), then the device's refusal. Empty for an acceptance and
// for silence.
QStringList ExchangeFailureTexts(const ExchangeOutcome& outcome);

// The one builder of set-network requests. The target's own record gives
// what addresses the request and what devices expect back unchanged (its
// MAC, selector and PPPoE fields); the caller gives the type, the addresses
// and the credential. The user ID keeps at most 8 bytes (no terminator when
// full), the password at most the 22 of its field, both byte for byte.
//
// The request holds a copy of the password: SendSettingRequest wipes it
// once the datagram has left, whatever the send's outcome, so no caller
// keeps it by forgetting to.
#pragma once

#include <cstdint>
#include <string>

#include "encp_client.h"

// The settings a change asks for; addresses in network byte order.
struct RequestedSettings {
  int32_t networkType = kNetworkStatic;
  uint32_t ipAddress = 0;
  uint32_t subnetMask = 0;
  uint32_t gateway = 0;
  uint32_t dnsServer = 0;
};

struct SettingCredential {
  std::string userId;
  std::string password;
};

NetworkSettingRequest SettingRequestFor(const DeviceInfo& target, const RequestedSettings& settings,
                                        const SettingCredential& credential);

// Sends through the client's operations table and wipes the password copy;
// the table's result (0 sent).
int32_t SendSettingRequest(EncpClient& client, NetworkSettingRequest& request);

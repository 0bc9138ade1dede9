// One configuration exchange as the application's settings panel makes it:
// one set-network request, one wait of at most one second for the device's
// own answer (SettingExchange credits each answer to its sender), no retry.
#pragma once

#include <string>

#include "protocol/encp_client.h"
#include "tools/cli/cli_args.h"

// The exchange's outcome: a device result code (0..255), kSetNoAnswer when
// nothing came within the second, kSetNotSent when the request never left,
// kSetPortUnavailable when the local port could not be opened (nothing is
// then sent: the answer would reach whoever holds the port, and the device
// would move unverified), or -1 for a datagram that was not a well-formed
// result reply.
inline constexpr int kSetNoAnswer = -100;
inline constexpr int kSetNotSent = -101;
inline constexpr int kSetPortUnavailable = -102;

// The request for `device`: its MAC, selector and PPPoE fields, the new
// settings of `args`, the user ID (8 characters at most, as the devices
// compare it) and password.
NetworkSettingRequest BuildSetRequest(const DeviceInfo& device, const CliArgs& args, const std::string& password);

int RunSetExchange(const EncpEndpointSettings& settings, const DeviceInfo& device,
                   const NetworkSettingRequest& request);

// The report for an outcome, and the process exit status that goes with it.
std::string SetOutcomeText(int outcome);
int SetOutcomeExitStatus(int outcome);

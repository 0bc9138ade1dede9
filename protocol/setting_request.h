// The part of a set-network request that always comes from the target's own
// record: its MAC and selector, which address the request, and its PPPoE
// fields, which devices expect back unchanged whatever type is sent. Every
// sender (the settings panel, the batch, the command-line client) starts
// from here and adds the type, the credential and the addresses.
#pragma once

#include "encp_records.h"

NetworkSettingRequest SettingRequestFor(const DeviceInfo& target);

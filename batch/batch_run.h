// The lines of a batch as the window's batch worker and `tavrix-cli batch`
// share them: which lines can match a device at all, what each asks for,
// and the change engine's plan of them (the caller says which device each
// line goes to: the window a ticked listed device, the command-line client
// one its scan found). The window's tally of a run is kept here too.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "batch/address_list_line.h"
#include "batch/change_engine.h"
#include "protocol/setting_exchange.h"
#include "table/device_list.h"

struct BatchLine {
  MacAddress mac;
  AddressListRecord record;
};

// The usable lines whose MAC text can match a device at all; the others
// (lower case, dashes, ...) are left out, as no device would ever match them.
std::vector<BatchLine> MatchableLines(std::vector<AddressListRecord> records);

// What a line asks its device to take.
RequestedSettings LineSettings(const AddressListRecord& record);

// The engine's plan of `lines`, each with the device `findTarget` gives it
// (none: not found).
std::vector<PlannedChange> PlanChanges(const std::vector<BatchLine>& lines,
                                       const std::function<std::optional<DeviceInfo>(const BatchLine&)>& findTarget);

// The static address a line gives, none for DHCP.
std::optional<uint32_t> GivenAddress(const AddressListRecord& record);

struct BatchTally {
  int matchingLines = 0;  // counted by the caller before the run
  int sent = 0;
  int accepted = 0;
  int refused = 0;  // ID or password, or the settings
  int noAnswer = 0;
  int verified = 0;  // counted by whoever verifies, after the run
};

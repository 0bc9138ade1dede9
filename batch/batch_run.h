// One batch's exchanges, without threads, windows or events: the part that
// the window's batch worker and `tavrix-cli batch` share, so both plan,
// send and count a file the same way.
//
// Each usable line whose MAC can match a device is planned when its turn
// comes, through the caller's `findTarget` (the window looks the MAC up
// under its inventory's lock and checks the tick at that moment; the
// command-line client looks in its scan). The request carries the line's
// type and addresses, the caller's credential, and the target's MAC,
// selector and PPPoE fields. Every outcome goes to `onOutcome`, also an
// answer that arrived after its device's own wait (`late`), which then
// replaces that change's "no answer" in the tally.
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

using BatchCredential = SettingCredential;

struct BatchHooks {
  std::function<std::optional<DeviceInfo>(const BatchLine&)> findTarget;
  std::function<void(const BatchLine&, const DeviceInfo&, ExchangeVerdict, bool late)> onOutcome;
  std::function<void(const BatchTally&)> onProgress;  // after every request
  std::function<bool()> stopRequested;
};

// Runs the lines in file order on an open endpoint; returns the tally.
BatchTally RunBatchLines(EncpClient& client, const std::vector<BatchLine>& lines, const BatchCredential& credential,
                         BatchTally tally, const BatchHooks& hooks);

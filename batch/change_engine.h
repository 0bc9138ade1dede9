// The one way every change reaches devices (file and range batches, the settings panel's Apply,
// `tavrix-cli set` and `batch`) and the one place where what a device did settles its outcome.
// No Qt, no thread of its own: it runs on the caller's thread with one endpoint until every line
// is final or the stop flag is set.
//
// At most kMostOutstanding requests wait at once, each for kAnswerWait, sent kSendSpacing apart so
// a large plan never floods the LAN. A result reply names no MAC: it is credited by source address
// (and selector) to the one line that can have sent it, so two lines whose devices answer from one
// address are never outstanding together.
//
// The run's own searches settle outcomes. Verified: a search finds the device at its given address
// (DHCP: reporting DHCP); a late answer is still credited. Unanswered and still at its old
// settings: resent up to kMostResends times, then "no answer". One MAC answering one search from
// two addresses: a conflict, never a verification. Accepted and unseen for `verifyFor`: "accepted
// but not seen".
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "batch/change_outcome.h"
#include "protocol/encp_endpoint.h"
#include "protocol/encp_timing.h"
#include "protocol/setting_request.h"
#include "table/device_list.h"

inline constexpr size_t kMostOutstanding = 256;
inline constexpr std::chrono::milliseconds kSendSpacing{1};
inline constexpr int kMostResends = 2;

struct PlannedChange {
  MacAddress mac{};
  // The device as its search reply described it (addresses, interface,
  // selector, PPPoE fields); none when the MAC did not answer.
  std::optional<DeviceInfo> device;
  RequestedSettings settings;
};

struct ChangeReport {
  size_t line = 0;
  ChangeOutcome outcome = ChangeOutcome::kNotSent;
  bool final = false;
  // Verified: where the device answers. Conflict: the two addresses.
  uint32_t seenAt = 0;
  uint32_t otherAddress = 0;
  int requests = 0;  // requests sent for the line, resends included
  // Verified: the search reply that showed it, as a discovery cycle would
  // have delivered it.
  DeviceInfo seen{};
};

struct ChangeTally {
  int lines = 0;
  int sent = 0;  // lines with at least one request sent
  int accepted = 0;
  int verified = 0;
  int refused = 0;
  int noAnswer = 0;  // final
};

struct ChangeEngineSeams {
  EncpEndpointSettings endpoint;
  EndpointOpener open = &ENCPCLIENT_Init;
  std::function<void(const ChangeReport&, const ChangeTally&)> onReport;
  // Every search reply of the run's own searches, as a discovery cycle
  // would deliver it.
  std::function<void(const DeviceInfo&)> onSearchReply;
  const std::atomic<bool>* stop = nullptr;
  // How long accepted lines are watched for their devices; zero: not at all
  // (an acceptance is then final as "accepted but not seen").
  std::chrono::milliseconds verifyFor{60000};
};

enum class ChangeRunEnd { kCompleted, kStopped, kEndpointUnavailable };

struct ChangeRunResult {
  ChangeRunEnd end = ChangeRunEnd::kCompleted;
  std::vector<ChangeReport> lines;  // the final report of every line, in plan order
  ChangeTally tally;
  int openError = 0;  // errno of a failed open
};

// The credential is held by value and wiped when the run ends.
ChangeRunResult RunChangeEngine(const std::vector<PlannedChange>& plan, SettingCredential credential,
                                const ChangeEngineSeams& seams);

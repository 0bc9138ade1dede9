// The protocol's clock, defined once for every caller: how long a search
// listens for replies, how often a change is checked by searching again,
// and how long a request waits for its device's answer.
#pragma once

#include <chrono>

// A search cycle listens this long for the devices' replies.
inline constexpr std::chrono::milliseconds kSearchCycleLength{500};
// While changes are being verified, searches start this far apart.
inline constexpr std::chrono::milliseconds kRescanPeriod{3000};
// A configuration request waits this long for its device's answer.
inline constexpr std::chrono::milliseconds kAnswerWait{1000};

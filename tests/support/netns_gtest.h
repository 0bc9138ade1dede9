// The one way a GoogleTest test asks for the network-namespace lab: skip
// with the reason when root or `ip netns` is missing, or fail instead when
// the run demands the lab (TAVRIX_REQUIRE_NETNS=1, as CI sets it).
#pragma once

#include <gtest/gtest.h>

#include "tests/support/netns_lab.h"

#define TAVRIX_REQUIRE_NETNS_OR_SKIP()                                                          \
  do {                                                                                          \
    const ::tavrix::lab::NetnsSupport& tavrixNetns = ::tavrix::lab::CheckNetnsSupport();        \
    if (!tavrixNetns.usable && tavrixNetns.required)                                            \
      FAIL() << "network namespaces required but unusable: " << tavrixNetns.reason;             \
    if (!tavrixNetns.usable) GTEST_SKIP() << "needs root and ip netns: " << tavrixNetns.reason; \
  } while (0)

// The one decoding of a device's result code into what it means for a
// change. Result replies carry no MAC; which change an answer belongs to is
// the change engine's business (batch/change_engine.h).
#pragma once

#include <cstdint>

enum class ExchangeVerdict {
  kAccepted,
  kRefusedCredential,  // result 2: the ID or password
  kRefused,            // any other result, a malformed one (-1) included
};

ExchangeVerdict VerdictOf(int resultCode);

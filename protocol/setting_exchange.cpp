#include "setting_exchange.h"

ExchangeVerdict VerdictOf(int resultCode) {
  if (resultCode == 0) return ExchangeVerdict::kAccepted;
  return resultCode == 2 ? ExchangeVerdict::kRefusedCredential : ExchangeVerdict::kRefused;
}

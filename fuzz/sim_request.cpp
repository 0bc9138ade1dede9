// Feeds arbitrary datagrams to the simulator's request parser and checks what
// must hold for any input: the record is left exactly as it was unless the
// answer is true; an accepted request carries the "ADCT" magic and a length
// field equal to its size, has the exact size of its kind, and every text
// kept is terminated inside its field. The sanitizers catch any read outside
// the datagram or write outside the record.
#include "tools/nvtsim/sim_request.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fuzz/fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SimRequest parsed, before;
  Poison(parsed, before);

  if (!ParseSimRequest(data, size, parsed)) {
    Require(Untouched(parsed, before));
    return 0;
  }

  Require(size >= 9 && std::memcmp(data, "ADCT", 4) == 0);
  Require((data[5] | data[6] << 8) == static_cast<int>(size));
  Require(parsed.selector == data[8]);
  Require(Terminated(parsed.userId) && Terminated(parsed.pppoeText1) && Terminated(parsed.pppoeText2) &&
          Terminated(parsed.pppoeText3));
  switch (parsed.kind) {
    case SimRequestKind::kSearch:
      Require(size == 9);
      break;
    case SimRequestKind::kSetCredential:
      Require(size == 69);
      break;
    case SimRequestKind::kSetTexts:
      Require(size >= 48);
      break;
    case SimRequestKind::kSetNetwork:
      Require((parsed.networkType == 0 && size == 46) || (parsed.networkType == 1 && size == 62) ||
              (parsed.networkType == 2 && size >= 46 + 3 + 9));
      break;
    default:
      Require(false);
  }
  return 0;
}

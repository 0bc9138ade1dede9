// Feeds arbitrary datagrams to both reply decoders and checks what must hold
// for any input: results only from the documented set, a record left exactly
// as it was unless the result is 1, every decoded text terminated inside its
// field, and the two decoders agreeing on a well-formed search reply. The
// sanitizers catch any read outside the datagram or write outside the record.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_checks.h"
#include "protocol/encp_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  DeviceInfo device, before;
  Poison(device, before);

  const int searchResult = DecodeSearchReply(data, size, 0x0100007Fu, device);
  const int resultCode = DecodeResultReply(data, size);

  Require(resultCode >= -1 && resultCode <= 255);
  if (resultCode >= 0) Require(size >= 8 && data[7] == resultCode);

  if (searchResult == 1) {
    Require(resultCode == 5);
    Require(size >= 49);
    Require(device.sourceAddress == 0x0100007Fu);
    Require(Terminated(device.modelName) && Terminated(device.infoText2) && Terminated(device.infoText3) &&
            Terminated(device.pppoeText1) && Terminated(device.pppoeText2) && Terminated(device.pppoeText3));
    Require(device.trailerByte <= 0xFF && device.optionTag2 <= 0xFF);
  } else {
    Require(searchResult == -1 || searchResult == -3 ||
            (searchResult >= 0 && searchResult <= 255 && searchResult != 5));
    Require(Untouched(device, before));
  }
  return 0;
}

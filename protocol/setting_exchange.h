// One configuration run's conversation with its devices: the single change
// of the settings panel, a batch, and the command-line client all talk to
// devices through this, so the rules below hold everywhere.
//
// Result replies carry no MAC. A datagram may arrive late, twice (a PC with
// two interfaces on one LAN hears every broadcast answer once on each), or
// from another device than the one just asked. So an answer is credited only
// to the device that sent it: a result from an address the device held in
// this run (where it was discovered, what its record holds, or a static
// address any of its changes gave it, since a device asked twice in quick
// succession may answer before it has moved), and with its selector when the
// reply carries one. Devices are told apart by MAC. Among several such
// devices of the run (two devices sharing an address) it goes to the change
// asked most recently that has no answer yet; a further copy of an answer
// already taken is dropped. Search replies are never an answer.
//
// Each exchange first reads and credits what is already queued, so a late or
// duplicate answer of an earlier device can never pass for the next device's
// answer. The request then leaves once, through the interface the device's
// search reply arrived on (through every broadcast interface only when that
// is unknown), and the wait ends at the device's own answer or after
// `answerWait`. Answers of earlier devices that arrive in the meantime are
// credited to them and reported as late answers, so the caller can still
// record an acceptance that came after its device's wait.
//
// No Qt, no thread: the caller owns the open endpoint and the clock is the
// monotonic one. Every wait is bounded in time and every drain in count.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "encp_client.h"
#include "encp_timing.h"

struct ChangeTarget {
  uint8_t mac[6] = {};
  uint8_t selector = 0;
  uint32_t discoveredAddress = 0;  // network order: where its search reply came from
  uint32_t recordedAddress = 0;    // network order: the address its record holds
  uint32_t givenAddress = 0;       // network order: the static address it is given; 0 otherwise
  int32_t interfaceIndex = 0;      // where its search reply arrived; 0 unknown
};

// The target of `request`, sent to the device `device` describes.
ChangeTarget ChangeTargetFor(const DeviceInfo& device, const NetworkSettingRequest& request);

struct SentChange {
  ChangeTarget target;
  bool sendFailed = false;
  // The device's result code (0..255, -1 for a malformed result) once it answered.
  std::optional<int> answer;
};

// What the device's answer said: the one decoding of result codes.
enum class ExchangeVerdict {
  kAccepted,
  kRefusedCredential,  // result 2: the ID or password
  kRefused,            // any other result, a malformed one included
  kNoAnswer,           // nothing from the device within its wait (or not sent)
};
ExchangeVerdict VerdictOf(const SentChange& change);
// The verdict of a result code (0..255, -1 malformed).
ExchangeVerdict VerdictOf(int resultCode);

// The index in `sent` of the change `reply` answers; none when it is no
// device's answer in this run, or a further copy of one already taken.
std::optional<size_t> AttributeResult(const std::vector<SentChange>& sent, const ResultReply& reply);

class SettingExchange {
 public:
  explicit SettingExchange(EncpClient& client, std::chrono::milliseconds answerWait = kAnswerWait);

  // Sends `request` to `target` and waits for its answer; returns the
  // change as it stands when the wait ends.
  const SentChange& Exchange(const NetworkSettingRequest& request, const ChangeTarget& target);
  // Credits what has already arrived, without waiting (the end of a run).
  void Drain();

  const std::vector<SentChange>& sent() const { return sent_; }
  // The changes answered after their own wait ended, since the last call.
  std::vector<size_t> TakeLateAnswers();

 private:
  // Reads one datagram and credits it; `current` is the change being waited for.
  void ReadOne(std::optional<size_t> current);

  EncpClient& client_;
  std::chrono::milliseconds answerWait_;
  std::vector<SentChange> sent_;
  std::vector<size_t> lateAnswers_;
};

#include "batch/change_outcome.h"

int OutcomeCode(ChangeOutcome outcome) { return static_cast<int>(outcome); }

std::string_view OutcomeWord(ChangeOutcome outcome) {
  switch (outcome) {
    case ChangeOutcome::kVerified:
      return "verified";
    case ChangeOutcome::kAcceptedNotSeen:
      return "accepted but not seen";
    case ChangeOutcome::kRefusedCredential:
      return "refused: credential";
    case ChangeOutcome::kRefused:
      return "refused";
    case ChangeOutcome::kNoAnswer:
      return "no answer";
    case ChangeOutcome::kNotFound:
      return "not found";
    case ChangeOutcome::kConflict:
      return "conflict";
    case ChangeOutcome::kNotSent:
      return "not sent";
    case ChangeOutcome::kOtherNetwork:
      return "other network";
  }
  return "";
}

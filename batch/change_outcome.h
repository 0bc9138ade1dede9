// What became of one planned change, in one vocabulary for every way of
// changing devices: the codes scripts read, the words the command line
// prints and the texts the window shows. A code never changes meaning.
#pragma once

#include <string_view>

// The window's State texts of a change, marked for the window's translation
// tool; spelled as Qt spells the marker so that either definition may win.
#ifndef QT_TRANSLATE_NOOP
#define QT_TRANSLATE_NOOP(scope, x) x
#endif
inline constexpr const char* kStateChecking = QT_TRANSLATE_NOOP("Tavrix", "Checking ip address ...");
inline constexpr const char* kStateChanged = QT_TRANSLATE_NOOP("Tavrix", "IP address has changed.");
inline constexpr const char* kStateRefusedCredential = QT_TRANSLATE_NOOP("Tavrix", "Change refused: ID or password");
inline constexpr const char* kStateRefused = QT_TRANSLATE_NOOP("Tavrix", "Change refused by the device");
inline constexpr const char* kStateNoAnswer = QT_TRANSLATE_NOOP("Tavrix", "No answer to the change");
// One MAC answered one search from two addresses: a clone or a forger.
inline constexpr const char* kStateMacConflict =
    QT_TRANSLATE_NOOP("Tavrix", "MAC address answers from two IP addresses");
// A range plan passed the device by: another adapter heard it.
inline constexpr const char* kStateOtherNetwork = QT_TRANSLATE_NOOP("Tavrix", "Other network: nothing sent");

enum class ChangeOutcome {
  kVerified = 0,           // seen at the address (or network type) it was given
  kAcceptedNotSeen = 1,    // accepted, never seen at its new address
  kRefusedCredential = 2,  // result 2: the ID or password
  kRefused = 3,            // any other refusal, a malformed answer included
  kNoAnswer = 4,           // no answer, and no sign that the change was made
  kNotFound = 5,           // the MAC did not answer the search
  kConflict = 6,           // one MAC answered one search from two addresses
  kNotSent = 7,            // interrupted before sending, or skipped
  kOtherNetwork = 8,       // heard on another adapter than the plan's; nothing sent
};

int OutcomeCode(ChangeOutcome outcome);
// The command line's word for it ("verified", "no answer", ...).
std::string_view OutcomeWord(ChangeOutcome outcome);

// The "Apply" button of the settings panel as far as it lives outside the
// main window: the confirmation, the login, the one exchange with the
// device and the error boxes. The window checks its state before (Apply is
// ignored unless idle) and, on acceptance, marks the row "Checking ip
// address ...", remembers the MAC, enters its verifying state and fires the
// re-scan timer at once.
//
// Window thread only; blocks for up to a second while the device answers.
// Every box and the login dialog go through the Prompts seam.
#pragma once

#include "protocol/encp_client.h"
#include "ui/config/single_change.h"

class QWidget;

enum class ApplyCommandOutcome {
  kNotConfirmed,
  kLoginCancelled,
  kNotSent,  // the local port could not be opened
  kRefusedCredential,
  kRefused,   // the settings, or a malformed answer
  kNoAnswer,  // nothing from the device within the second
  kAccepted,
};

ApplyCommandOutcome RunApplyCommand(QWidget* parent, const DeviceInfo& device, const SettingsPanelValues& panel,
                                    const EncpEndpointSettings& settings);

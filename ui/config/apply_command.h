// The "Apply" button of the settings panel outside the main window: the
// confirmation, the login, the one exchange with the device and the error
// boxes. The window checks its state before and starts the verification after.
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

// The "NVT setting" button as far as it lives outside the main window: the
// checks, the dialog and the confirmation that lead to a batch run, and the
// start of the run. The window keeps the buttons and the window state.
//
// Order: a batch still running is refused with a message (a second worker
// would fight the first for the local port and the changed-device list);
// no ticked row gives "Please select the list !"; the "NVT Setting" dialog
// runs (in the UI way its OK has already planned the range, or refused it);
// a file way without a file ends silently; "Do you want to change?"
// must be answered OK. Only then `beforeStart` runs - the window stops its
// discovery worker and its re-scan timer there, because only one endpoint
// can hold the local port - and the worker is started.
//
// Like every dialog of the window it runs on the window thread and talks to
// the operator only through the Prompts seam.
#pragma once

#include <QtGlobal>
#include <functional>
#include <memory>

#include "discovery/window_mailbox.h"
#include "protocol/encp_client.h"
#include "table/device_inventory.h"
#include "ui/config/batch_worker.h"
#include "ui/config/nvt_setting_dlg.h"

inline constexpr const char* kBatchNothingTickedText = QT_TRANSLATE_NOOP("Tavrix", "Please select the list !");
inline constexpr const char* kBatchConfirmText = QT_TRANSLATE_NOOP("Tavrix", "Do you want to change?");
inline constexpr const char* kBatchAlreadyRunningText =
    QT_TRANSLATE_NOOP("Tavrix", "A batch setting is still running.\nWait until it has ended.");

enum class BatchCommandOutcome {
  kAlreadyRunning,
  kNothingTicked,
  kDialogCancelled,
  kNoFile,
  kNotConfirmed,
  kStartFailed,  // no thread could be made; nothing else changed
  kStarted,      // the window enters its batch state now
};

struct BatchCommandSeams {
  QWidget* parent = nullptr;
  CNVTSettingDlg* dialog = nullptr;
  BatchController* controller = nullptr;
  std::shared_ptr<DeviceInventory> inventory;
  std::shared_ptr<WindowMailbox> mailbox;
  EncpEndpointSettings settings;
  // Runs after the confirmation, right before the worker starts.
  std::function<void()> beforeStart;
};

BatchCommandOutcome RunBatchCommand(const BatchCommandSeams& seams);

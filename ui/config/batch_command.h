// The "NVT setting" button outside the main window: the checks, the dialog
// and the confirmation that lead to a batch run, and the start of the run.
// The window keeps the buttons and the window state.
//
// Invariants: no second run starts while one is running (it would fight the
// first for the local port); `beforeStart`, where the window frees the port,
// runs only after the operator confirmed. Window thread only; the operator is
// reached only through the Prompts seam.
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

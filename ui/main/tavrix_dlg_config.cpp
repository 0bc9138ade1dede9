// The main window's two network-configuration commands, "Apply" (one device
// from the settings panel) and "NVT setting" (a batch from an address list
// file). They belong to the configuration code and are filled in there; the
// window provides what they need: SelectedDevice(), Controls() (radio
// buttons and address edits), GetState()/SetState(), BeginVerification(),
// Inventory(), Mailbox(), EndpointSettings() and the batchWorker_ handle.
#include "ui/main/tavrix_dlg.h"

void CTavrixDlg::OnApply() {}

void CTavrixDlg::OnNvtSetting() {}

// The per-device actions that need no window: a device's web address, saving
// an exported list, and clearing the PC's neighbour (ARP) table with the
// system's own command (directly as root, otherwise through pkexec and the
// package's polkit helper, the window's only step that needs root).
// Invariants: only a command that ran to a clean exit earns the "Delete ARP
// table." notice; one that could not start, failed or was killed is a
// failure; a local fault (no pipe for its output) is never mistaken for a
// command the system cannot run; a refused or cancelled authentication is
// told as exactly that.
#pragma once

#include <QMessageBox>
#include <QString>
#include <chrono>
#include <string>
#include <vector>

#include "protocol/encp_records.h"
#include "ui/main/process_runner.h"

// "http://a.b.c.d:port" when the device reports a web port, else "http://a.b.c.d".
QString WebAddress(const DeviceInfo& device);

// Linux keeps IPv4 and IPv6 neighbours in one table; `ip` flushes both.
const std::vector<std::string>& NeighbourFlushCommand();
inline constexpr std::chrono::milliseconds kNeighbourFlushDeadline{5000};

// pkexec and the helper; its polkit action names the helper by this path.
const std::vector<std::string>& PrivilegedNeighbourFlushCommand();
// Long enough to type a password into the authentication dialog.
inline constexpr std::chrono::milliseconds kPrivilegedFlushDeadline{120000};
// pkexec's exits when the user dismissed the dialog, and when authorisation
// was refused or could not be asked for; the helper never exits with them.
inline constexpr int kPkexecDismissedExit = 126;
inline constexpr int kPkexecNotAuthorisedExit = 127;

struct Notice {
  QMessageBox::Icon icon;
  QString text;
};

// Runs the flush through `runner`, directly or through pkexec as `runsAsRoot`
// says, and says what the operator is to be told.
Notice ClearArpTable(CommandRunner& runner, bool runsAsRoot);

inline constexpr const char* kArpClearedText = QT_TRANSLATE_NOOP("Tavrix", "Delete ARP table.");
inline constexpr const char* kArpNotStartedText = QT_TRANSLATE_NOOP("Tavrix", "Failed to execute CreateProcess().");
inline constexpr const char* kArpNoPipeText = QT_TRANSLATE_NOOP("Tavrix", "Error");
inline constexpr const char* kArpFailedText = QT_TRANSLATE_NOOP("Tavrix", "Failed to delete ARP table.");
inline constexpr const char* kArpNeedsAdminText =
    QT_TRANSLATE_NOOP("Tavrix", "Administrator rights are needed to delete the ARP table.");

// Replaces `path` with `contents` whole or not at all, so a failed export
// never leaves half a list behind. Empty on success, else the notice text:
// kExportFailedText, the path and the system's reason.
QString SaveWholeFile(const QString& path, const std::string& contents);
inline constexpr const char* kExportFailedText = QT_TRANSLATE_NOOP("Tavrix", "Failed to export list.");

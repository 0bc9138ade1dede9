#include "ui/main/device_actions.h"

#include <QCoreApplication>
#include <QSaveFile>

#include "table/row_texts.h"

QString WebAddress(const DeviceInfo& device) {
  const QString host = FormatDottedAddress(device.sourceAddress);
  if (device.webPort > 0) return QStringLiteral("http://%1:%2").arg(host).arg(device.webPort);
  return QStringLiteral("http://%1").arg(host);
}

const std::vector<std::string>& NeighbourFlushCommand() {
  static const std::vector<std::string> command{"ip", "-s", "-s", "neigh", "flush", "all"};
  return command;
}

const std::vector<std::string>& PrivilegedNeighbourFlushCommand() {
  static const std::vector<std::string> command{"pkexec", "/usr/libexec/tavrix/tavrix-flush-neigh"};
  return command;
}

Notice ClearArpTable(CommandRunner& runner, bool runsAsRoot) {
  const ProcessOutcome outcome = runsAsRoot ? runner.run(NeighbourFlushCommand(), kNeighbourFlushDeadline)
                                            : runner.run(PrivilegedNeighbourFlushCommand(), kPrivilegedFlushDeadline);
  if (outcome.pipeFailed) return {QMessageBox::NoIcon, QString::fromLatin1(kArpNoPipeText)};
  if (!outcome.started) return {QMessageBox::NoIcon, QString::fromLatin1(kArpNotStartedText)};
  if (!runsAsRoot && !outcome.timedOut &&
      (outcome.exitCode == kPkexecDismissedExit || outcome.exitCode == kPkexecNotAuthorisedExit))
    return {QMessageBox::Warning, QString::fromLatin1(kArpNeedsAdminText)};
  if (!outcome.succeeded()) return {QMessageBox::Critical, QString::fromLatin1(kArpFailedText)};
  return {QMessageBox::Information, QString::fromLatin1(kArpClearedText)};
}

QString SaveWholeFile(const QString& path, const std::string& contents) {
  QSaveFile file(path);
  const auto size = static_cast<qint64>(contents.size());
  if (file.open(QIODevice::WriteOnly) && file.write(contents.data(), size) == size && file.commit()) return {};
  return QStringLiteral("%1\n%2: %3")
      .arg(QCoreApplication::translate("Tavrix", kExportFailedText), path, file.errorString());
}

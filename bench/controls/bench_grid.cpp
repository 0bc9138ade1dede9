// Figures for the grid list under the load of the device list: filling
// 4000 rows of 7 coloured cells one row at a time, single-cell updates on a
// long and a short list, and a check-all header click on 4000 rows. Each
// figure is main-thread CPU time and wall time, including the repaint that
// follows (the list is shown on the offscreen platform when none is given).
#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QMouseEvent>
#include <cstdio>
#include <ctime>
#include <functional>

#include "bench/bench_result.h"
#include "ui/controls/xheader_ctrl.h"
#include "ui/controls/xlist_ctrl.h"

namespace {

double threadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Returns the main-thread CPU milliseconds.
double report(const char* what, const std::function<void()>& work) {
  QElapsedTimer wall;
  const double cpuStart = threadCpuSeconds();
  wall.start();
  work();
  QApplication::processEvents();  // the repaint the work scheduled
  const double wallMs = static_cast<double>(wall.nsecsElapsed()) * 1e-6;
  const double cpuMs = (threadCpuSeconds() - cpuStart) * 1e3;
  std::printf("%-58s cpu %9.2f ms   wall %9.2f ms\n", what, cpuMs, wallMs);
  return cpuMs;
}

void addColumns(CXListCtrl& list) {
  const char* titles[] = {"No.", "Model", "MAC address", "IP address", "Web port", "AV port", "State"};
  for (int column = 0; column < 7; ++column)
    list.InsertColumn(column, titles[column], 90, Qt::AlignLeft,
                      column == 0 ? HeaderCheck::kUnchecked : HeaderCheck::kNone);
}

// One device row the way the main window adds it.
void addDeviceRow(CXListCtrl& list, int row) {
  list.InsertItem(row, QString::asprintf("%4d", row + 1));
  list.SetCheckbox(row, 0, CellCheck::kUnchecked);
  list.SetItemText(row, 1, "NVT-2000", QColor(0, 0, 0), QColor(255, 255, 255));
  list.SetItemText(row, 2,
                   QString::asprintf("00:1C:%02X - %02X:%02X:%02X", row & 0xFF, (row >> 8) & 0xFF, row & 0x0F, 7),
                   QColor(0, 0, 0), QColor(255, 255, 255));
  list.SetItemText(row, 3, QString::asprintf("10.0.%d.%d", row / 250, row % 250 + 1), QColor(0, 0, 0),
                   QColor(255, 255, 255));
  list.SetItemText(row, 4, "80", QColor(0, 0, 0), QColor(255, 255, 255));
  list.SetItemText(row, 5, "4000/4001", QColor(0, 0, 0), QColor(255, 255, 255));
  list.SetItemText(row, 6, "IP address collision", QColor(255, 255, 255), QColor(255, 0, 0));
}

void fill(CXListCtrl& list, int rows) {
  for (int row = 0; row < rows; ++row) addDeviceRow(list, row);
}

constexpr int kCellUpdates = 10000;

double singleCellUpdates(CXListCtrl& list, int rows, const char* label) {
  fill(list, rows);
  QApplication::processEvents();
  const int row = rows / 2;
  list.scrollTo(list.model()->index(row, 0));
  QApplication::processEvents();
  return report(label, [&] {
    for (int i = 0; i < kCellUpdates; ++i) {
      list.SetItemText(row, 6, (i & 1) ? "Checking ip address ..." : "IP address has changed.", QColor(0, 0, 0),
                       (i & 1) ? QColor(255, 255, 0) : QColor(0, 255, 0));
      if (i % 100 == 0) QApplication::processEvents();  // let repaints happen as they would
    }
  });
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);

  {
    CXListCtrl list;
    list.resize(700, 500);
    addColumns(list);
    list.show();
    QApplication::processEvents();
    const double insertMs = report("insert 4000 rows x 7 coloured cells + box, row by row", [&] { fill(list, 4000); });
    PrintResult("grid-insert-4000-rows", insertMs, "ms cpu", GoalVerdict(insertMs < 500),
                "under 500 ms main-thread CPU");
    report("DeleteAllItems on 4000 rows", [&] { list.DeleteAllItems(); });
  }
  double updateMs[2] = {};
  int which = 0;
  for (int rows : {4000, 40}) {
    CXListCtrl list;
    list.resize(700, 500);
    addColumns(list);
    list.show();
    QApplication::processEvents();
    const QByteArray label = QString::asprintf("10000 x SetItemText(text, colours), %d-row list", rows).toUtf8();
    updateMs[which++] = singleCellUpdates(list, rows, label.constData());
  }
  const double growth = updateMs[1] > 0 ? updateMs[0] / updateMs[1] : 0;
  PrintResult("grid-cell-update-4000-rows", updateMs[0] * 1000.0 / kCellUpdates, "us cpu", "-",
              "per update (see the growth figure)");
  PrintResult("grid-cell-update-40-rows", updateMs[1] * 1000.0 / kCellUpdates, "us cpu", "-", "per update");
  PrintResult("grid-cell-update-growth", growth, "x", GoalVerdict(growth < 2.0),
              "4000-row / 40-row cost under 2 (no growth with the row count)");
  {
    CXListCtrl list;
    list.resize(700, 500);
    addColumns(list);
    list.show();
    fill(list, 4000);
    QApplication::processEvents();
    CXHeaderCtrl* header = list.headerCtrl();
    const QPoint onColumn0(header->sectionViewportPosition(0) + 40, header->height() / 2);
    const double headerMs = report("header click checking a 4000-row column", [&] {
      QMouseEvent press(QEvent::MouseButtonPress, onColumn0, header->mapToGlobal(onColumn0), Qt::LeftButton,
                        Qt::LeftButton, Qt::NoModifier);
      QMouseEvent release(QEvent::MouseButtonRelease, onColumn0, header->mapToGlobal(onColumn0), Qt::LeftButton,
                          Qt::NoButton, Qt::NoModifier);
      QApplication::sendEvent(header->viewport(), &press);
      QApplication::sendEvent(header->viewport(), &release);
    });
    std::printf("checked after header click: %d of %d, header box %s\n", list.CountCheckedItems(0), list.GetItemCount(),
                list.GetHeaderCheckedState(0) == HeaderCheck::kChecked ? "checked" : "not checked");
    PrintResult("grid-header-check-4000-rows", headerMs, "ms cpu",
                GoalVerdict(list.CountCheckedItems(0) == list.GetItemCount()), "every row checked by one click");
    report("SortRows (reverse) on 4000 rows", [&] { list.SortRows([](int a, int b) { return a > b; }); });
  }
  return 0;
}

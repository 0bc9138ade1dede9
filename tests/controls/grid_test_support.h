// Shared set-up for the grid list tests: one QApplication for the process
// (offscreen under ctest) and a shown list with the device list's columns.
#pragma once

#include <QApplication>
#include <QTest>
#include <memory>

#include "tests/support/qt_test_app.h"
#include "ui/controls/xheader_ctrl.h"
#include "ui/controls/xlist_ctrl.h"

// Seven columns, a header box on column 0, `rows` rows with an unchecked box
// in column 0, shown at a fixed size.
inline std::unique_ptr<CXListCtrl> makeDeviceList(int rows, int headerState = 1) {
  TestApplication();
  auto list = std::make_unique<CXListCtrl>();
  const char* titles[] = {"No.", "Model", "MAC address", "IP address", "Web port", "AV port", "State"};
  for (int column = 0; column < 7; ++column)
    list->InsertColumn(column, titles[column], 80, Qt::AlignLeft, column == 0 ? headerState : 0);
  for (int row = 0; row < rows; ++row) {
    list->InsertItem(row, QString::asprintf("%4d", row + 1));
    list->SetCheckbox(row, 0, 0);
    list->SetItemText(row, 1, QString("model %1").arg(row));
  }
  list->resize(600, 300);
  list->show();
  QApplication::processEvents();
  return list;
}

inline QPoint cellCentre(const CXListCtrl& list, int row, int column) {
  return list.visualRect(list.model()->index(row, column)).center();
}

inline QPoint headerPoint(const CXListCtrl& list, int column) {
  CXHeaderCtrl* header = list.headerCtrl();
  return QPoint(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
}

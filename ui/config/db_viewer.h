// The File DB viewer: lists an address list file, or the lines planned for a
// batch by range, so the operator can review a batch before running it.
// Read-only; OK and Cancel both just close it. A planned line is shown and
// checked exactly like a file line with the same texts.
//
// It reads the file through the same reader and line parser as the batch,
// so what it shows is exactly what a batch would send; a file the reader
// refuses leaves the list empty and is reported by status(), for the owner
// to tell the operator instead of showing an empty list. Usable rows are
// numbered by usable line ("%4d", from 1), so skipped lines leave no gap;
// MAC and addresses are shown as written, the type upper-cased.
//
// The last column, "Check", is the pre-flight check against the devices
// passed in (a snapshot taken when the viewer opens; none means every line
// is "not listed"), with a summary line under the list. Lines the parser
// cannot use are listed too, greyed, unnumbered, their tokens in the
// columns as far as they were read and the reason under "Check"; blank and
// comment lines are left out. The columns share the list's inner width in
// 64ths, adding up to more than 64 on purpose: the last columns are reached
// by scrolling. The path box above the list stays empty.
#pragma once

#include <QDialog>
#include <QString>
#include <memory>
#include <vector>

#include "batch/address_list_check.h"
#include "batch/batch_run.h"

class CXListCtrl;

namespace Ui {
class DbViewerDialog;
}

class CDBViewer : public QDialog {
  Q_OBJECT
 public:
  // Reads the file once, while the dialog is built.
  CDBViewer(QWidget* owner, const QString& filePath, const std::vector<ListedDevice>& devices = {});
  // Planned lines are always usable, and status() stays kRead.
  CDBViewer(QWidget* owner, const std::vector<BatchLine>& plan, const std::vector<ListedDevice>& devices);
  ~CDBViewer() override;

  CXListCtrl* list() const;
  AddressListStatus status() const { return status_; }

 private:
  void Prepare();
  void ShowLines(const AddressListLines& file, const std::vector<ListedDevice>& devices);

  std::unique_ptr<Ui::DbViewerDialog> ui_;
  AddressListStatus status_ = AddressListStatus::kRead;
};

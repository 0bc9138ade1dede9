// The File DB viewer: an address list file, or the lines planned for a range, for the operator to
// review before a batch. Read-only; OK and Cancel just close it.
//
// It reads through the batch's own reader and parser and checks planned lines exactly like file
// lines, so what it shows is what a batch would send. A file the reader refuses leaves the list
// empty and is reported by status(), for the owner to say so instead. "Check" judges against the
// devices passed in (none: every line "not listed"). The columns add up to more than the list's
// width on purpose: the last ones are reached by scrolling.
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

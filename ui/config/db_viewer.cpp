#include "ui/config/db_viewer.h"

#include <QFile>
#include <QStyle>
#include <algorithm>

#include "batch/range_plan.h"
#include "protocol/device_texts.h"
#include "ui/common/dialog_units.h"
#include "ui/common/translation.h"
#include "ui/controls/xlist_ctrl.h"
#include "ui_db_viewer_dialog.h"

namespace {

struct ViewerColumn {
  const char* heading;
  int share;  // of 64
};

constexpr ViewerColumn kColumns[] = {
    {QT_TRANSLATE_NOOP("Tavrix", "No."), 6},          {QT_TRANSLATE_NOOP("Tavrix", "MAC address"), 13},
    {QT_TRANSLATE_NOOP("Tavrix", "Type"), 5},         {QT_TRANSLATE_NOOP("Tavrix", "IP address"), 10},
    {QT_TRANSLATE_NOOP("Tavrix", "Subnet mask"), 10}, {QT_TRANSLATE_NOOP("Tavrix", "Gateway"), 10},
    {QT_TRANSLATE_NOOP("Tavrix", "DNS"), 10},         {QT_TRANSLATE_NOOP("Tavrix", "State"), 15},
    {QT_TRANSLATE_NOOP("Tavrix", "Check"), 24},
};
constexpr int kCheckColumn = 8;

// Unusable lines are shown for their reason only; grey keeps them apart.
constexpr QColor kSkippedText(128, 128, 128);

// The MAC token is the one text not checked to be ASCII: it reads by the
// device texts' rule, as the command-line client echoes it.
QString FileText(const std::string& bytes) { return QString::fromStdString(TextUtf8(bytes)); }

}  // namespace

CDBViewer::CDBViewer(QWidget* owner, const QString& filePath, const std::vector<ListedDevice>& devices)
    : QDialog(owner), ui_(std::make_unique<Ui::DbViewerDialog>()) {
  Prepare();
  const AddressListLines file = ReadAddressListLines(QFile::encodeName(filePath).toStdString());
  status_ = file.status;
  ShowLines(file, devices);
}

CDBViewer::CDBViewer(QWidget* owner, const std::vector<BatchLine>& plan, const std::vector<ListedDevice>& devices)
    : QDialog(owner), ui_(std::make_unique<Ui::DbViewerDialog>()) {
  Prepare();
  ShowLines(PlannedLines(plan), devices);
}

CDBViewer::~CDBViewer() = default;

CXListCtrl* CDBViewer::list() const { return ui_->fileList; }

void CDBViewer::Prepare() {
  ui_->setupUi(this);
  ApplyDialogUnits(this);
  setWindowTitle(tr("DB Viewer"));
  connect(ui_->okButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(ui_->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
  CXListCtrl* list = ui_->fileList;
  const int scrollBarWidth = list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list);
  const int usable = std::max(0, list->width() - 2 - scrollBarWidth);
  int column = 0;
  for (const ViewerColumn& layout : kColumns) {
    list->InsertColumn(column++, UiText(layout.heading), usable * layout.share / 64);
  }
}

void CDBViewer::ShowLines(const AddressListLines& file, const std::vector<ListedDevice>& devices) {
  CXListCtrl* list = ui_->fileList;
  const AddressListCheck check = CheckAddressList(file, devices);
  int usable = 0;
  for (size_t row = 0; row < file.lines.size(); ++row) {
    const AddressListLine& line = file.lines[row];
    const int at = static_cast<int>(row);
    const QString checkText = FileText(LineCheckText(line, check.lines[row]));
    if (const std::optional<AddressListRecord>& record = line.record) {
      list->InsertItem(at, QString::asprintf("%4d", ++usable));
      list->SetItemText(at, 1, FileText(record->macText));
      list->SetItemText(at, 2, QString::fromLatin1(record->typeText.c_str()));
      for (int i = 0; i < 4; ++i) {
        list->SetItemText(at, 3 + i, QString::fromLatin1(record->addressTexts[i].c_str()));
      }
      list->SetItemText(at, kCheckColumn, checkText);
      continue;
    }
    list->InsertItem(at, QString());
    for (size_t i = 0; i < line.tokens.size(); ++i) {
      list->SetItemText(at, 1 + static_cast<int>(i), FileText(line.tokens[i]));
    }
    list->SetItemText(at, kCheckColumn, checkText);
    for (int column = 0; column < list->GetColumns(); ++column) {
      list->SetItemText(at, column, nullptr, kSkippedText, QColor());
    }
  }
  if (status_ == AddressListStatus::kRead) {
    ui_->summaryLabel->setText(QString::fromStdString(AddressListCheckSummary(check)));
  }
}

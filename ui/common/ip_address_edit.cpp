#include "ui/common/ip_address_edit.h"

#include <QRegularExpressionValidator>
#include <QStringList>
#include <algorithm>

namespace {
const char* const kFieldPattern = "(25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9])?";
}

IpAddressEdit::IpAddressEdit(QWidget* parent) : QLineEdit(parent) {
  const QString field = QString::fromLatin1(kFieldPattern);
  const QRegularExpression pattern(QStringLiteral("^%1(\\.%1){0,3}$").arg(field));
  setValidator(new QRegularExpressionValidator(pattern, this));
}

void IpAddressEdit::setAddress(uint32_t hostOrder) {
  setText(QStringLiteral("%1.%2.%3.%4")
              .arg(hostOrder >> 24)
              .arg((hostOrder >> 16) & 0xFF)
              .arg((hostOrder >> 8) & 0xFF)
              .arg(hostOrder & 0xFF));
}

int IpAddressEdit::address(uint32_t* hostOrder) const {
  const QStringList fields = text().split(QLatin1Char('.'));
  uint32_t value = 0;
  int filled = 0;
  for (int i = 0; i < 4; ++i) {
    uint32_t field = 0;
    if (i < fields.size() && !fields[i].isEmpty()) {
      field = std::min(fields[i].toUInt(), 255u);  // text set by code skips the validator
      ++filled;
    }
    value = (value << 8) | field;
  }
  *hostOrder = value;
  return filled;
}

#include "ui/common/dialog_units.h"

#include <QAbstractButton>
#include <QFontMetricsF>
#include <QVariant>
#include <QWidget>
#include <cmath>

DialogBaseUnits DialogBaseUnits::forFont(const QFont& font) {
  QFontMetricsF metrics(font);
  static const QString kLetters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  return {metrics.horizontalAdvance(kLetters) / kLetters.size(), metrics.height()};
}

QRect DialogBaseUnits::toPixels(const QRect& units) const {
  auto x = [this](int v) { return static_cast<int>(std::lround(v * charWidth / 4.0)); };
  auto y = [this](int v) { return static_cast<int>(std::lround(v * charHeight / 8.0)); };
  return QRect(x(units.x()), y(units.y()), x(units.width()), y(units.height()));
}

void ApplyDialogUnits(QWidget* dialog) {
  const DialogBaseUnits base = DialogBaseUnits::forFont(dialog->font());
  const QVariant own = dialog->property("dialogUnits");
  if (own.isValid()) dialog->setFixedSize(base.toPixels(own.toRect()).size());

  for (QWidget* child : dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    const QVariant units = child->property("dialogUnits");
    if (!units.isValid()) continue;
    QRect pixels = base.toPixels(units.toRect());
    if (qobject_cast<QAbstractButton*>(child) && !child->inherits("QPushButton")) {
      const int wanted = child->sizeHint().height();
      if (pixels.height() < wanted) {
        pixels.setTop(pixels.center().y() - wanted / 2);
        pixels.setHeight(wanted);
      }
    }
    child->setGeometry(pixels);
  }
}

#include "ui/controls/xheader_ctrl.h"

#include <QMouseEvent>
#include <QPainter>

#include "ui/controls/check_box_painter.h"
#include "ui/controls/grid_model.h"

CXHeaderCtrl::CXHeaderCtrl(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
  setSectionsClickable(true);
  setSectionsMovable(false);
  setHighlightSections(false);
  setSortIndicatorShown(false);
  setStretchLastSection(false);
  setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

QSize CXHeaderCtrl::sizeHint() const {
  QSize hint = QHeaderView::sizeHint();
  hint.setHeight(std::max(hint.height(), fontMetrics().height() + 8));
  return hint;
}

void CXHeaderCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
  QMouseEvent press(QEvent::MouseButtonPress, event->position(), event->scenePosition(), event->globalPosition(),
                    event->button(), event->buttons(), event->modifiers(), event->pointingDevice());
  mousePressEvent(&press);
}

void CXHeaderCtrl::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  const QPalette& pal = palette();
  const QColor face = pal.color(QPalette::Button);
  const QColor light = pal.color(QPalette::Light);
  const QColor shadow = pal.color(QPalette::Dark);
  painter.fillRect(event->rect(), face);
  painter.setFont(font());

  const int height = viewport()->height();
  const int itemCount = count();
  int totalWidth = 0;
  for (int visual = 0; visual < itemCount; ++visual) {
    const int logical = logicalIndex(visual);
    if (isSectionHidden(logical)) continue;
    const int width = sectionSize(logical);
    const QRect item(sectionViewportPosition(logical), 0, width, height);
    paintItem(painter, item.adjusted(kSpacing, 0, -kSpacing, 0), logical);
    if (visual != itemCount - 1) {
      const int dividerHeight = std::max(0, height - 4);
      painter.fillRect(QRect(item.right(), item.top() + 2, 1, dividerHeight), shadow);
      painter.fillRect(QRect(item.right() + 1, item.top() + 2, 1, dividerHeight), light);
    }
    totalWidth += width;
  }

  if (totalWidth > 0) {
    const QRect frame(-offset(), 0, totalWidth, height);
    painter.fillRect(QRect(frame.left(), frame.top(), frame.width(), 1), light);
    painter.fillRect(QRect(frame.left(), frame.top(), 1, frame.height()), light);
    painter.fillRect(QRect(frame.left(), frame.bottom(), frame.width(), 1), shadow);
    painter.fillRect(QRect(frame.right(), frame.top(), 1, frame.height()), shadow);
  }
}

void CXHeaderCtrl::paintItem(QPainter& painter, QRect rect, int logicalIndex) const {
  const QAbstractItemModel* source = model();
  if (!source || rect.width() <= 0) return;

  const auto boxState = source->headerData(logicalIndex, orientation(), kHeaderCheckRole).value<HeaderCheck>();
  if (boxState != HeaderCheck::kNone) {
    const QRect box(rect.left(), rect.top() + (rect.height() - kBoxSize) / 2, kBoxSize, kBoxSize);
    painter.save();
    painter.setClipRect(rect);
    paintGridCheckBox(painter, box, boxState == HeaderCheck::kChecked, palette().color(QPalette::Base));
    painter.restore();
    rect.setLeft(rect.left() + kBoxSize + kSpacing);
  }
  if (rect.width() <= 0) return;

  const QString title = source->headerData(logicalIndex, orientation(), Qt::DisplayRole).toString();
  if (title.isEmpty()) return;
  const QVariant alignmentData = source->headerData(logicalIndex, orientation(), Qt::TextAlignmentRole);
  const Qt::Alignment horizontal =
      alignmentData.isValid() ? Qt::Alignment(alignmentData.toInt()) & Qt::AlignHorizontal_Mask : Qt::AlignLeft;
  painter.setPen(palette().color(QPalette::ButtonText));
  painter.drawText(rect, static_cast<int>(horizontal | Qt::AlignVCenter | Qt::TextSingleLine),
                   fontMetrics().elidedText(title, Qt::ElideRight, rect.width()));
}

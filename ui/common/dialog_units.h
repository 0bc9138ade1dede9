// Lays out a dialog from the rectangles its template gives in dialog units,
// so that a window looks as designed at whatever system font it runs with.
// A dialog unit is a quarter of the font's average character width
// horizontally and an eighth of its height vertically. Templates carry each
// rectangle in a "dialogUnits" property; the pixel geometry stored beside it
// is only what a designer tool previews.
#pragma once

#include <QFont>
#include <QRect>

class QWidget;

struct DialogBaseUnits {
  double charWidth;   // average width of the latin letters
  double charHeight;  // line height
  static DialogBaseUnits forFont(const QFont& font);
  QRect toPixels(const QRect& dialogUnits) const;
};

// Resizes the dialog (fixed size) and places every child that has a
// "dialogUnits" property. Controls that cannot draw themselves in their
// template height (radio buttons and check boxes 6 units tall) keep their
// vertical centre and grow to their size hint.
void ApplyDialogUnits(QWidget* dialog);

#include "table/column_sort.h"

#include <algorithm>
#include <climits>
#include <numeric>

#include "table/row_texts.h"

int LeadingInteger(const QString& text) {
  qsizetype i = 0;
  while (i < text.size() && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
  long long value = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    value = std::min<long long>(value * 10 + (text[i].unicode() - u'0'), static_cast<long long>(INT_MAX) + 1);
  }
  if (negative) value = -value;
  return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

std::vector<int> ColumnSortOrder(int column, const std::vector<QString>& cellTexts, bool ascending) {
  std::vector<int> order(cellTexts.size());
  std::iota(order.begin(), order.end(), 0);
  if (column == kColumnWebPort) {
    std::vector<int> keys(cellTexts.size());
    std::transform(cellTexts.begin(), cellTexts.end(), keys.begin(), LeadingInteger);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return ascending ? keys[a] < keys[b] : keys[b] < keys[a]; });
  } else {
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
      const int c = QString::compare(cellTexts[a], cellTexts[b], Qt::CaseInsensitive);
      return ascending ? c < 0 : c > 0;
    });
  }
  return order;
}

// The order in which a column click puts the device list's rows. The texts
// the list shows are the keys: "Web port" compares as a leading integer (so
// "-" ranks as 0), every other column as text without regard to case, which
// is why addresses and AV ports sort as text (192.168.0.10 before
// 192.168.0.9). Rows with equal keys keep their order.
#pragma once

#include <QString>
#include <vector>

// atoi's reading of a text: leading blanks, a sign, digits; 0 when none.
int LeadingInteger(const QString& text);

// Position d of the result names the current row that moves to row d.
std::vector<int> ColumnSortOrder(int column, const std::vector<QString>& cellTexts, bool ascending);

// The device list's seven columns: titles and width weights. A column is
// weight * W / 64 pixels wide, W being the list's frame width less one
// vertical scroll bar and 2 pixels. The weights add up to 65, so together
// the columns run about a 64th wider than W; the list scrolls sideways by
// those few pixels rather than leave the "State" column short.
#pragma once

#include <QtGlobal>
#include <array>

#include "table/row_texts.h"

inline constexpr std::array<const char*, kDeviceColumnCount> kDeviceColumnTitles = {
    QT_TRANSLATE_NOOP("Tavrix", "No."),         QT_TRANSLATE_NOOP("Tavrix", "Model Name"),
    QT_TRANSLATE_NOOP("Tavrix", "MAC address"), QT_TRANSLATE_NOOP("Tavrix", "IP address"),
    QT_TRANSLATE_NOOP("Tavrix", "Web port"),    QT_TRANSLATE_NOOP("Tavrix", "AV port"),
    QT_TRANSLATE_NOOP("Tavrix", "State")};
inline constexpr std::array<int, kDeviceColumnCount> kDeviceColumnWeights = {6, 8, 11, 9, 6, 10, 15};

std::array<int, kDeviceColumnCount> DeviceColumnWidths(int listFrameWidth, int scrollBarWidth);

// The device list's seven columns: titles and width weights. A column is
// weight * W / 64 pixels wide, W being the list's frame width less one
// vertical scroll bar and 2 pixels. The weights add up to 65, so together
// the columns run about a 64th wider than W; the list scrolls sideways by
// those few pixels rather than leave the "State" column short.
#pragma once

#include <array>

#include "table/row_texts.h"

inline constexpr std::array<const char*, kDeviceColumnCount> kDeviceColumnTitles = {
    "No.", "Model Name", "MAC address", "IP address", "Web port", "AV port", "State"};
inline constexpr std::array<int, kDeviceColumnCount> kDeviceColumnWeights = {6, 8, 11, 9, 6, 10, 15};

std::array<int, kDeviceColumnCount> DeviceColumnWidths(int listFrameWidth, int scrollBarWidth);

#include "ui/main/column_layout.h"

std::array<int, kDeviceListColumns> DeviceColumnWidths(int listFrameWidth, int scrollBarWidth) {
  const int usable = listFrameWidth - scrollBarWidth - 2;
  std::array<int, kDeviceListColumns> widths{};
  for (int column = 0; column < kDeviceListColumns; ++column) {
    widths[column] = kDeviceColumnWeights[column] * usable / 64;
  }
  return widths;
}

#include "ui/main/column_layout.h"

std::array<int, kDeviceColumnCount> DeviceColumnWidths(int listFrameWidth, int scrollBarWidth) {
  const int usable = listFrameWidth - scrollBarWidth - 2;
  std::array<int, kDeviceColumnCount> widths{};
  for (int column = 0; column < kDeviceColumnCount; ++column) {
    widths[column] = kDeviceColumnWeights[column] * usable / 64;
  }
  return widths;
}

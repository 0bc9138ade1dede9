#include "table/row_texts.h"

#include "protocol/address_text.h"
#include "protocol/device_texts.h"

QString DeviceText(const char* field, size_t capacity) {
  return QString::fromStdString(DeviceTextUtf8(field, capacity));
}

QString FormatRowNumber(int row) { return QString::asprintf("%4d", row + 1); }

QString FormatListMac(const uint8_t mac[6]) {
  return QString::asprintf("%02X:%02X:%02X - %02X:%02X:%02X", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
}

QString FormatDottedAddress(uint32_t networkOrderAddress) {
  return QString::fromStdString(DottedAddressText(networkOrderAddress));
}

QString FormatWebPort(uint16_t webPort) { return webPort == 0 ? QStringLiteral("-") : QString::number(webPort); }

QString FormatAvPorts(uint16_t avPort1, uint16_t avPort2, uint16_t avPort3) {
  if (avPort1 == 0) return QStringLiteral("-");
  QString text = QString::number(avPort1);
  if (avPort2 > 0) {
    text += QStringLiteral(" / ") + QString::number(avPort2);
    if (avPort3 > 0) text += QStringLiteral(" / ") + QString::number(avPort3);
  }
  return text;
}

std::array<QString, kDeviceColumnCount> RowTexts(int row, const DeviceInfo& device) {
  return {FormatRowNumber(row),
          DeviceText(device.modelName, sizeof device.modelName),
          FormatListMac(device.mac),
          FormatDottedAddress(device.sourceAddress),
          FormatWebPort(device.webPort),
          FormatAvPorts(device.avPort1, device.avPort2, device.avPort3),
          QString()};
}

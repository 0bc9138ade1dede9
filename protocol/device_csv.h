// The device list as a CSV file, written alike by the window's "Export list..." and by
// `tavrix-cli scan --csv`: UTF-8 without a byte-order mark, RFC 4180 (CRLF line ends, a header
// row, fields with a comma, quote, CR or LF quoted, their quotes doubled). Plain C++, no Qt.
//
// The first seven columns are the list's own texts as the caller shows them; the rest come from
// the record. A text a device chose that a spreadsheet would evaluate as a formula (leading `=`,
// `+`, `-`, `@`, tab or CR) gets a leading apostrophe; the tool's own texts never do.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/encp_records.h"

inline constexpr size_t kCsvListColumns = 7;

struct DeviceCsvRow {
  // "No." to "State", UTF-8.
  std::array<std::string, kCsvListColumns> listTexts;
  DeviceInfo device;
};

std::string CsvField(std::string_view text);
// `text` as a cell a spreadsheet reads as text, never as a formula.
std::string InertDeviceText(std::string_view text);
// The header row and one row per entry, in the given order.
std::string DeviceListCsv(const std::vector<DeviceCsvRow>& rows);
// "DHCP", "Static", "PPPoE", or the number of a type no device should send.
std::string NetworkTypeText(uint8_t networkType);
// Empty for index 0 or an interface that no longer exists.
std::string InterfaceNameText(int32_t interfaceIndex);

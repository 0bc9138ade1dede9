// The device list as a CSV file (RFC 4180: CRLF line ends, a header row,
// fields with a comma, quote, CR or LF quoted and their quotes doubled),
// written the same way by the window's "Export list..." and by
// `tavrix-cli scan --csv`. Plain C++, no Qt, so both share one writer.
//
// The text is UTF-8 without a byte-order mark. The first seven columns are
// the list's own texts, handed in by the caller as it shows them (the
// window's state marks exist only in its grid); the rest come from the
// device's record. The interface name is looked up when the file is
// written, from the index the reply arrived on.
//
// A spreadsheet evaluates a cell that begins with `=`, `+`, `-` or `@` (and
// some read a leading tab or CR the same way), so a model name sent as
// `=HYPERLINK(...)` would become a live formula. Texts a device chose are
// therefore written with a leading apostrophe when they begin so; the
// tool's own texts (ports shown as "-", addresses, states) never are.
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

// What a device's row in the main list shows, and the coloured marks its
// cells can carry, as plain values the window copies into the grid.
//
// Device texts are decoded by the rule every output shares
// (protocol/device_texts.h: UTF-8 when valid, else Latin-1, control
// characters as U+FFFD). The grid shows every text as plain text.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

#include "protocol/encp_records.h"

enum DeviceColumn : int {
  kColumnNumber = 0,
  kColumnModel = 1,
  kColumnMac = 2,
  kColumnAddress = 3,
  kColumnWebPort = 4,
  kColumnAvPort = 5,
  kColumnState = 6,
  kDeviceColumnCount = 7,
};

struct Rgb {
  uint8_t red = 0, green = 0, blue = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

struct CellColours {
  Rgb text;
  Rgb background;
  friend bool operator==(const CellColours&, const CellColours&) = default;
};

// One change to one cell; an absent text or colour pair leaves that part as it is.
struct CellUpdate {
  int row = -1;
  int column = 0;
  std::optional<QString> text;
  std::optional<CellColours> colours;
  friend bool operator==(const CellUpdate&, const CellUpdate&) = default;
};

inline constexpr Rgb kWhite{255, 255, 255};
inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr CellColours kCollisionColours{kWhite, {255, 0, 0}};
inline constexpr CellColours kCheckingColours{kBlack, {255, 255, 0}};
inline constexpr CellColours kChangedColours{kBlack, {0, 255, 0}};
inline constexpr CellColours kRefreshedAddressColours{kBlack, kWhite};
// A change that did not happen: refused or never answered.
inline constexpr CellColours kFailedChangeColours{kBlack, {255, 165, 0}};
// Column 0 of the current row, and of every other row.
inline constexpr CellColours kCurrentRowColours{kWhite, {49, 106, 197}};
inline constexpr CellColours kPlainRowColours{kBlack, kWhite};

inline constexpr const char* kStateCollision = "IP address collision";
inline constexpr const char* kStateChecking = "Checking ip address ...";
inline constexpr const char* kStateChanged = "IP address has changed.";
inline constexpr const char* kStateChangedWithCollision = "IP address has changed. IP address collision";
inline constexpr const char* kStateRefusedCredential = "Change refused: ID or password";
inline constexpr const char* kStateRefused = "Change refused by the device";
inline constexpr const char* kStateNoAnswer = "No answer to the change";
inline constexpr const char* kStateOtherNetwork = "Other network: nothing sent";

QString DeviceText(const char* field, size_t capacity);
QString FormatRowNumber(int row);             // "%4d" of row + 1
QString FormatListMac(const uint8_t mac[6]);  // "00:1A:2B - 3C:4D:5E"
QString FormatDottedAddress(uint32_t networkOrderAddress);
QString FormatWebPort(uint16_t webPort);
QString FormatAvPorts(uint16_t avPort1, uint16_t avPort2, uint16_t avPort3);

// Columns 0 to 6 of a newly inserted row; the state column starts empty.
std::array<QString, kDeviceColumnCount> RowTexts(int row, const DeviceInfo& device);

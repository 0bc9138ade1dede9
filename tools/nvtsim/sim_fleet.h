// The devices a simulator plays, and the two ways to describe them: a count of identical devices at
// consecutive addresses, or a fleet file (format and flags described by kSimUsage and README.md).
// Texts are percent-decoded (a lone '-' is empty), so a fleet can carry hostile device texts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// How a device's search replies are broken, for hostile-network tests.
enum class SimReplyFault { kNone, kCutFixedPart, kOptionOverrun };

struct SimDevice {
  uint8_t mac[6] = {};
  std::string model;
  uint8_t selector = 1;     // byte 8 of every reply it sends
  uint8_t networkType = 1;  // 0 DHCP, 1 static, 2 PPPoE
  // Network byte order.
  uint32_t address = 0;
  uint32_t subnetMask = 0;
  uint32_t gateway = 0;
  uint32_t dnsServer = 0;
  uint16_t webPort = 80;
  uint16_t avPorts[3] = {4000, 4001, 0};
  uint8_t version = 3;
  std::string userId = "root";
  std::string password = "kefo";
  std::string pppoeText1, pppoeText2, pppoeText3;
  bool silent = false;
  bool longTexts = false;
  bool refusesChanges = false;
  bool ignoresChanges = false;
  bool vanishesAfterChange = false;
  bool answersLate = false;
  bool acceptsQuietly = false;
  SimReplyFault replyFault = SimReplyFault::kNone;
};

struct CountFleetPlan {
  int count = 1;
  uint32_t firstAddress = 0;  // network byte order
  uint8_t macBase[6] = {0x00, 0x1A, 0x2B, 0x00, 0x00, 0x00};
  uint32_t subnetMask = 0x00FFFFFFu;  // 255.255.255.0 in network order
  uint8_t version = 3;
};

// Device i has address firstAddress + i, MAC macBase + i, model "NVT-SIM-i";
// its gateway and DNS server are the first host of its subnet.
std::vector<SimDevice> MakeCountFleet(const CountFleetPlan& plan);

// The fleet of a fleet file's text; on a bad line nothing, with `error`
// naming the line and the field.
std::optional<std::vector<SimDevice>> ParseFleetText(std::string_view text, std::string* error);

// How the command-line client shows devices: the same texts as the main
// window's list for people, and JSON for programs.
//
// Device texts come off the network and are hostile until proven otherwise:
// in the line format every control character becomes '?', so one device is
// always one line; in JSON every byte outside printable ASCII is escaped
// (\u00XX, bytes read as Latin-1), so the output is valid JSON and plain
// ASCII whatever a device sends.
#pragma once

#include <string>
#include <vector>

#include "protocol/encp_records.h"

std::string FormatListMac(const uint8_t mac[6]);   // "00:1A:2B - 00:00:01"
std::string FormatPlainMac(const uint8_t mac[6]);  // "00:1A:2B:00:00:01"
std::string FormatWebPort(uint16_t port);          // "-" for 0
std::string FormatAvPorts(const DeviceInfo& device);

// Model, MAC, address, web port and AV ports, separated by tabs.
std::string FormatDeviceLine(const DeviceInfo& device);
std::string FormatDevicesJson(const std::vector<DeviceInfo>& devices);
std::string JsonString(const char* text);

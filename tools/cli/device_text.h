// How the command-line client shows devices: the same texts as the main
// window's list for people, and JSON or CSV for programs.
//
// Device texts come off the network and are hostile until proven otherwise.
// Every format decodes them by the window's rule (protocol/device_texts.h),
// which leaves valid UTF-8 and no control characters: one device is always
// one line, and the JSON is valid UTF-8 whatever a device sends.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "protocol/encp_records.h"

// Model, MAC, address, web port and AV ports, separated by tabs.
std::string FormatDeviceLine(const DeviceInfo& device);
std::string FormatDevicesJson(const std::vector<DeviceInfo>& devices);
// The window's export format; "No." counts from 1 and "State" stays empty,
// as the client marks nothing.
std::string FormatDevicesCsv(const std::vector<DeviceInfo>& devices);
std::string JsonString(std::string_view text);

#include "setting_request.h"

#include <cstring>

NetworkSettingRequest SettingRequestFor(const DeviceInfo& target) {
  static_assert(sizeof NetworkSettingRequest::pppoeText1 == sizeof DeviceInfo::pppoeText1);
  static_assert(sizeof NetworkSettingRequest::pppoeText2 == sizeof DeviceInfo::pppoeText2);
  static_assert(sizeof NetworkSettingRequest::pppoeText3 == sizeof DeviceInfo::pppoeText3);
  NetworkSettingRequest request{};
  std::memcpy(request.mac, target.mac, sizeof request.mac);
  request.selector = target.selector;
  std::memcpy(request.pppoeText1, target.pppoeText1, sizeof request.pppoeText1);
  std::memcpy(request.pppoeText2, target.pppoeText2, sizeof request.pppoeText2);
  std::memcpy(request.pppoeText3, target.pppoeText3, sizeof request.pppoeText3);
  request.pppoeValue1 = target.pppoeValue1;
  request.pppoeFlag = target.pppoeFlag;
  request.pppoeValue2 = target.pppoeValue2;
  return request;
}

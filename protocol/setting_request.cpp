#include "setting_request.h"

#include <string.h>

#include <algorithm>
#include <cstring>

namespace {

template <size_t N>
void CopyText(char (&field)[N], const std::string& text) {
  std::memcpy(field, text.data(), std::min(text.size(), N));
}

}  // namespace

NetworkSettingRequest SettingRequestFor(const DeviceInfo& target, const RequestedSettings& settings,
                                        const SettingCredential& credential) {
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
  request.networkType = settings.networkType;
  request.ipAddress = settings.ipAddress;
  request.subnetMask = settings.subnetMask;
  request.gateway = settings.gateway;
  request.dnsServer = settings.dnsServer;
  CopyText(request.userId, credential.userId);
  CopyText(request.password, credential.password);
  return request;
}

int32_t SendSettingRequest(EncpClient& client, NetworkSettingRequest& request) {
  const int32_t sent = client.ops.SetNetwork(&client, &request);
  explicit_bzero(request.password, sizeof request.password);
  return sent;
}

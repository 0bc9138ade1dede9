#include "tools/nvtsim/sim_addresses.h"

#include <dirent.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/stat.h>

#include <cstdio>

#include "protocol/address_text.h"

namespace {

std::set<uint32_t> AddressesOn(const std::string& interfaceName) {
  std::set<uint32_t> present;
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return present;
  for (ifaddrs* a = list; a != nullptr; a = a->ifa_next) {
    if (a->ifa_addr == nullptr || a->ifa_addr->sa_family != AF_INET) continue;
    if (interfaceName != a->ifa_name) continue;
    present.insert(reinterpret_cast<const sockaddr_in*>(a->ifa_addr)->sin_addr.s_addr);
  }
  freeifaddrs(list);
  return present;
}

}  // namespace

bool InNamedNetworkNamespace() {
  struct stat mine {};
  if (stat("/proc/self/ns/net", &mine) != 0) return false;
  DIR* dir = opendir("/run/netns");
  if (dir == nullptr) return false;
  bool named = false;
  while (dirent* entry = readdir(dir)) {
    struct stat candidate {};
    const std::string path = std::string("/run/netns/") + entry->d_name;
    if (stat(path.c_str(), &candidate) == 0 && candidate.st_ino == mine.st_ino && candidate.st_dev == mine.st_dev)
      named = true;
  }
  closedir(dir);
  return named;
}

InterfaceAddresses::InterfaceAddresses(std::string interfaceName)
    : interface_(std::move(interfaceName)), index_(static_cast<int>(if_nametoindex(interface_.c_str()))) {}

InterfaceAddresses::~InterfaceAddresses() {
  // An interface deleted under the simulator (its lab torn down first) took
  // its addresses with it.
  if (added_.empty() || if_nametoindex(interface_.c_str()) == 0) return;
  RunBatch("del", std::vector<uint32_t>(added_.begin(), added_.end()));
}

bool InterfaceAddresses::Add(const std::vector<uint32_t>& addresses, std::string* error) {
  const std::set<uint32_t> present = AddressesOn(interface_);
  // A set: two devices of a fleet may share an address, and `ip` refuses to
  // add one address twice.
  std::set<uint32_t> missing;
  for (uint32_t a : addresses) {
    if (!present.count(a) && !added_.count(a)) missing.insert(a);
  }
  if (missing.empty()) return true;
  if (!RunBatch("add", std::vector<uint32_t>(missing.begin(), missing.end()))) {
    if (error) *error = "ip could not add the device addresses to " + interface_;
    return false;
  }
  added_.insert(missing.begin(), missing.end());
  return true;
}

void InterfaceAddresses::Remove(const std::vector<uint32_t>& addresses) {
  std::vector<uint32_t> ours;
  for (uint32_t address : addresses) {
    if (added_.erase(address)) ours.push_back(address);
  }
  if (!ours.empty()) RunBatch("del", ours);
}

bool InterfaceAddresses::RunBatch(const std::string& verb, const std::vector<uint32_t>& addresses) {
  // -force: one bad line must not leave the rest undone. Removal stays quiet:
  // a lab torn down while the list is being removed takes the remaining
  // addresses with the interface, and each would otherwise print an error.
  FILE* ip = popen(verb == "del" ? "ip -force -batch - >/dev/null 2>&1" : "ip -force -batch - >/dev/null", "w");
  if (ip == nullptr) return false;
  for (uint32_t a : addresses) {
    std::fprintf(ip, "addr %s %s/32 dev %s\n", verb.c_str(), DottedAddressText(a).c_str(), interface_.c_str());
  }
  return pclose(ip) == 0;
}

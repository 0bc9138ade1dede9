// The system's end of the ENCP protocol: one UDP socket bound to the local
// port with broadcasting enabled, and the operations that send requests and
// wait for, receive and decode replies. No thread, no state beyond the socket
// and the last decoded device; each task makes its own endpoint and closes it.
//
// Operations are called through the record's table with the record as first
// argument; ENCPCLIENT_Init fills the table before it touches the network, so
// even a record whose initialisation failed can be closed.
//
// Where the requests go is a small settings record. The application uses the
// defaults (local 32153, device port 32154, 255.255.255.255); tests point it
// at loopback and free ports. A request to the limited broadcast address
// leaves through every up, broadcast-capable IPv4 interface, so a PC with
// several networks finds the devices of all of them; replies are read from
// the one socket, with the interface each arrived on (IP_PKTINFO), so that a
// request to a known device can leave through that interface alone: on a PC
// with two interfaces on one LAN a request sent through both would reach the
// device twice and be answered twice.
//
// The operator may choose adapters (protocol/usable_adapters.h): then every
// request leaves through the chosen ones only, never through another, not
// even when a chosen adapter has gone, and datagrams arriving on any other
// adapter are dropped as if never received, so no device of another LAN is
// listed, planned or credited with an answer.
//
// A search is answered by every device at once, so replies are also read in
// batches (recvmmsg, without waiting): one system call per few dozen
// datagrams keeps the socket drained during a burst of thousands, where one
// call per datagram fell behind and the buffer overflowed.
//
// Even a drained socket can overflow: the system may hand a backlog of
// hundreds of datagrams to it at once, faster than any reader, and a user
// without privileges cannot enlarge the buffer past the system's ceiling.
// The endpoint asks the system how many datagrams it discarded, so that a
// scan can search again, and say that its list is incomplete where that did
// not recover them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "encp_records.h"

struct EncpEndpointSettings {
  uint16_t localPort = kEncpLocalPort;
  uint16_t devicePort = kEncpDevicePort;
  uint32_t destinationAddress = kEncpBroadcastAddress;  // network byte order
  // Asked-for receive buffer, so that a burst of thousands of replies is not
  // dropped before the cycle drains it; 0 keeps the system's default.
  int receiveBufferBytes = 4 * 1024 * 1024;
  // The interface indexes of the chosen adapters; empty: every one.
  std::vector<int32_t> adapters{};
};

struct EncpClient;

struct EncpOperations {
  int32_t (*Close)(EncpClient* client);
  int32_t (*Wait)(EncpClient* client, int32_t seconds, int32_t microseconds);
  int32_t (*RecvSearchReply)(EncpClient* client);
  int32_t (*RecvSearchReplies)(EncpClient* client, std::vector<DeviceInfo>* devices, size_t maxDatagrams);
  int32_t (*RecvResult)(EncpClient* client);
  int32_t (*Search)(EncpClient* client);
  int32_t (*SetNetwork)(EncpClient* client, const NetworkSettingRequest* request);
  int32_t (*SetNetworkTexts)(EncpClient* client, const NetworkTextsRequest* request);
  int32_t (*SetCredential)(EncpClient* client, const CredentialRequest* request);
};

struct EncpClient {
  int32_t socketHandle = -1;
  DeviceInfo lastReply{};
  EncpOperations ops{};
  EncpEndpointSettings settings{};
  // What the last RecvResult read, with its sender; its code is the result.
  ResultReply lastResult{};
  // The interface a broadcast request leaves through; 0: every one.
  int32_t sendInterface = 0;
  // The receive buffer the system granted, comparable with the one asked
  // for in the settings (Linux reports twice the figure it was given, for
  // its bookkeeping; this is half the report). 0 when unknown.
  int receiveBufferGranted = 0;
};

// 0 when the socket is open, bound and broadcast-enabled; -1 otherwise (the
// socket, if created, stays recorded for ENCPCLIENT_Close).
int32_t ENCPCLIENT_Init(EncpClient* client);
int32_t ENCPCLIENT_Init(EncpClient* client, const EncpEndpointSettings& settings);

int32_t ENCPCLIENT_Close(EncpClient* client);
int32_t ENCPCLIENT_Wait(EncpClient* client, int32_t seconds, int32_t microseconds);
int32_t ENCPCLIENT_RecvSearchReply(EncpClient* client);
// Reads, without waiting, up to `maxDatagrams` datagrams already queued and
// appends every valid search reply among them to `devices`, in order of
// arrival. Returns the datagrams read (0 when none was queued), -1 when the
// socket fails.
int32_t ENCPCLIENT_RecvSearchReplies(EncpClient* client, std::vector<DeviceInfo>* devices, size_t maxDatagrams);
// True when `interfaceIndex` is one the settings allow (any, when none is chosen).
bool ENCPCLIENT_AdapterAllowed(const EncpEndpointSettings& settings, int32_t interfaceIndex);
// True when the endpoint asked for a receive buffer and got a smaller one.
bool ENCPCLIENT_ReceiveBufferShort(const EncpClient& client);
// Datagrams the system discarded on arrival since the socket was opened,
// mostly because the receive buffer was full; -1 when it cannot tell.
int64_t ENCPCLIENT_DroppedDatagrams(const EncpClient& client);
// Reads one datagram into `lastResult`; a search reply among them is also
// decoded into `lastReply`, so one reader can take answers and searches.
int32_t ENCPCLIENT_RecvResult(EncpClient* client);
int32_t ENCPCLIENT_Search(EncpClient* client);
int32_t ENCPCLIENT_SetNetwork(EncpClient* client, const NetworkSettingRequest* request);
int32_t ENCPCLIENT_SetNetworkTexts(EncpClient* client, const NetworkTextsRequest* request);
int32_t ENCPCLIENT_SetCredential(EncpClient* client, const CredentialRequest* request);

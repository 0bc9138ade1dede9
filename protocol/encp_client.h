// The system's end of the ENCP protocol: one UDP socket bound to the local port with broadcasting
// enabled, and the operations that send requests and receive and decode replies. No thread and no
// state beyond the socket and the replies last read; each task opens its own and closes it.
//
// ENCPCLIENT_Init fills the operations table before it touches the network, so a record whose
// initialisation failed can still be closed through it. With adapters chosen, no request ever
// leaves through another adapter, not even when a chosen one has gone, and a datagram arriving on
// another is dropped as if never received. A request to a known device leaves through the one
// interface its reply arrived on: sent through two interfaces on one LAN, it is answered twice.
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

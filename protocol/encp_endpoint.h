// One task's open endpoint, the only way code outside the protocol layer opens and closes one, so
// no early return or exception leaves the local port bound for the next task.
//
// It opens through an opener (tests pass one that fails or throws) and closes through the record's
// own operations table; a socket made by an opener that then throws is still closed. A failed open
// is no exception: the caller reads openResult() (a discovery cycle still runs on a half-open
// endpoint). Neither copyable nor movable: the exchanges keep references to its record.
#pragma once

#include <cstdint>

#include "encp_client.h"

using EndpointOpener = int32_t (*)(EncpClient* client, const EncpEndpointSettings& settings);

class EncpEndpoint {
 public:
  explicit EncpEndpoint(const EncpEndpointSettings& settings, EndpointOpener open = &ENCPCLIENT_Init);
  ~EncpEndpoint();
  EncpEndpoint(const EncpEndpoint&) = delete;
  EncpEndpoint& operator=(const EncpEndpoint&) = delete;

  // What the opener returned: 0 open, bound and broadcast-enabled.
  int32_t openResult() const { return openResult_; }
  // The errno of a failed open (EADDRINUSE: another program holds the port).
  int openError() const { return openError_; }
  bool receiveBufferShort() const { return ENCPCLIENT_ReceiveBufferShort(client_); }
  int receiveBufferGranted() const { return client_.receiveBufferGranted; }
  int32_t Search() { return client_.ops.Search(&client_); }

  // For the exchanges and search cycles that drive the record themselves.
  EncpClient& client() { return client_; }

 private:
  void Close();

  EncpClient client_;
  int32_t openResult_ = -1;
  int openError_ = 0;
};

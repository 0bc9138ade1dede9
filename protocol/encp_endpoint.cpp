#include "encp_endpoint.h"

#include <cerrno>

EncpEndpoint::EncpEndpoint(const EncpEndpointSettings& settings, EndpointOpener open) {
  try {
    openResult_ = open(&client_, settings);
    if (openResult_ != 0) openError_ = errno;
  } catch (...) {
    Close();
    throw;
  }
}

EncpEndpoint::~EncpEndpoint() { Close(); }

// A table never filled (an opener that failed before Init) has nothing to close.
void EncpEndpoint::Close() {
  if (client_.ops.Close != nullptr) client_.ops.Close(&client_);
  client_.ops.Close = nullptr;
}

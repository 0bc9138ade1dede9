#include "encp_endpoint.h"

EncpEndpoint::EncpEndpoint(const EncpEndpointSettings& settings, EndpointOpener open) {
  try {
    openResult_ = open(&client_, settings);
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

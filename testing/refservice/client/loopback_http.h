// One HTTP/1.1 exchange with a server on 127.0.0.1 over a fresh connection.
#pragma once

#include "refservice_client.h"

#include <string>

namespace mivo::refservice {

// Sends `request` (complete bytes) and reads until the server closes the
// connection. Throws std::runtime_error when no connection can be made.
HttpResponse loopback_exchange(int port, const std::string& request);

// Splits what a server sent into status, headers and body; a body longer
// than its Content-Length is cut to it.
HttpResponse parse_response(const std::string& bytes);

}  // namespace mivo::refservice

// A request the reference service recorded, as readable lines for the
// Outlook host's report.
#pragma once

#include <string>
#include <vector>

#include "refservice_client.h"

namespace mivo::refservice {

// One recorded request as indented lines: the method and target, the token
// header (or its absence), the body (JSON as readable text, the string
// terminator the agent sends noted) and how long the service took.
std::vector<std::string> describe_request(const RecordedRequest& request);

}  // namespace mivo::refservice

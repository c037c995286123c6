// Where the agent goes after a 302: always HTTPS, to the host the Location
// names or, for a bare path, to the current host.
#pragma once

#include <string>
#include <string_view>

namespace mivo::oiurl {

// The URL of the next attempt for a Location header. A Location with "://"
// keeps everything after its first "://" (host, port, path, query) under the
// HTTPS scheme; one without is a path on the current server, whose host and
// port (when not the default) are given as current_authority.
std::wstring redirect_target(std::wstring_view location, std::wstring_view current_authority);

// "host" or "host:port", leaving out the port that is the default for the
// URL's scheme: the form a URL spells the server in.
std::wstring url_authority(std::wstring_view host, unsigned port, bool secure);

}  // namespace mivo::oiurl

// Where the agent goes after a 302: always HTTPS, and never to another host.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace mivo::oiurl {

// The URL of the next attempt for a Location header. A Location is absolute
// only when it begins with a scheme and "://"; everything after that "://"
// (host, port, path, query) is kept under the HTTPS scheme. Anything else is
// a path on the current server, spelt `current_authority` ("host" or
// "host:port"). nullopt when an absolute Location names a host other than
// `current_host` (compared without case): the next attempt would carry the
// token header and the body (the password, on sign-in) to that host.
std::optional<std::wstring> redirect_target(std::wstring_view location,
                                            std::wstring_view current_host,
                                            std::wstring_view current_authority);

// "host" or "host:port", leaving out the port that is the default for the
// URL's scheme: the form a URL spells the server in.
std::wstring url_authority(std::wstring_view host, unsigned port, bool secure);

}  // namespace mivo::oiurl

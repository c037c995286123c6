// Where the agent goes after a 302: always HTTPS, and never to another host
// or port.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace mivo::oiurl {

// The URL of the next attempt for a Location header, on the server the
// current attempt reached (`current_host`, `current_port`). A Location is
// absolute only when it begins with a scheme and "://"; everything after
// that "://" (host, port, path, query) is kept under the HTTPS scheme, so
// its port is the one it names, or 443. Anything else is a path on the
// current server. nullopt when the next attempt would reach another host
// (compared without case) or another port: it would carry the token header
// and the body (the password, on sign-in) there, and another port of the
// same host may be another program altogether.
std::optional<std::wstring> redirect_target(std::wstring_view location,
                                            std::wstring_view current_host, unsigned current_port);

// "host" or "host:port", leaving out the port that is the default for the
// URL's scheme: the form a URL spells the server in.
std::wstring url_authority(std::wstring_view host, unsigned port, bool secure);

}  // namespace mivo::oiurl

// Redirect targets of the agent.
#include "redirect.h"

namespace mivo::oiurl {

std::wstring redirect_target(std::wstring_view location, std::wstring_view current_authority) {
  std::wstring url = L"HTTPS://";
  const std::size_t separator = location.find(L"://");
  if (separator != std::wstring_view::npos) {
    url += location.substr(separator + 3);
    return url;
  }
  url += current_authority;
  if (location.empty() || location.front() != L'/') url += L'/';
  url += location;
  return url;
}

std::wstring url_authority(std::wstring_view host, unsigned port, bool secure) {
  std::wstring authority(host);
  if (port != (secure ? 443u : 80u)) authority += L':' + std::to_wstring(port);
  return authority;
}

}  // namespace mivo::oiurl

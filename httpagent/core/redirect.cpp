// Redirect targets of the agent.
#include "redirect.h"

namespace mivo::oiurl {
namespace {

bool is_ascii_letter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }

// Length of a leading "scheme://" (RFC 3986: a letter, then letters, digits,
// "+", "-" or "."), or 0 when the text does not begin with one.
std::size_t scheme_prefix(std::wstring_view location) {
  if (location.empty() || !is_ascii_letter(location[0])) return 0;
  std::size_t i = 1;
  while (i < location.size() &&
         (is_ascii_letter(location[i]) || (location[i] >= L'0' && location[i] <= L'9') ||
          location[i] == L'+' || location[i] == L'-' || location[i] == L'.'))
    ++i;
  return location.substr(i, 3) == L"://" ? i + 3 : 0;
}

wchar_t lower(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c; }

bool equal_ignoring_case(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// Whether the authority of an absolute Location ("host", "host:port",
// "[v6]:port") names `host`. User information ("user@host") or a backslash
// is read differently by different parsers, so it never counts as the same
// host.
bool names_host(std::wstring_view authority, std::wstring_view host) {
  if (authority.find_first_of(L"@\\") != std::wstring_view::npos) return false;
  std::wstring_view name = authority;
  if (!name.empty() && name.front() == L'[') {
    name = name.substr(0, name.find(L']') + 1);
  } else if (const std::size_t colon = name.rfind(L':'); colon != std::wstring_view::npos) {
    name = name.substr(0, colon);
  }
  return !name.empty() && equal_ignoring_case(name, host);
}

}  // namespace

std::optional<std::wstring> redirect_target(std::wstring_view location,
                                            std::wstring_view current_host,
                                            std::wstring_view current_authority) {
  std::wstring url = L"HTTPS://";
  if (const std::size_t prefix = scheme_prefix(location)) {
    const std::wstring_view rest = location.substr(prefix);
    if (!names_host(rest.substr(0, rest.find_first_of(L"/?#")), current_host)) return std::nullopt;
    url += rest;
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

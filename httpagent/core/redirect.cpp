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
// "[v6]:port") names `host` and, once the attempt goes over HTTPS, `port`.
// User information ("user@host") or a backslash is read differently by
// different parsers, so it never counts as the same server.
bool names_server(std::wstring_view authority, std::wstring_view host, unsigned port) {
  if (authority.find_first_of(L"@\\") != std::wstring_view::npos) return false;
  std::wstring_view name = authority;
  std::wstring_view port_text;
  const std::size_t host_end =
      !name.empty() && name.front() == L'[' ? name.find(L']') + 1 : name.rfind(L':');
  if (host_end != std::wstring_view::npos && host_end < name.size()) {
    if (name[host_end] != L':') return false;
    port_text = name.substr(host_end + 1);
    name = name.substr(0, host_end);
  }
  if (name.empty() || !equal_ignoring_case(name, host)) return false;
  // An empty port is the scheme's default (RFC 3986), as is a missing one.
  unsigned named_port = 443;
  if (!port_text.empty()) {
    if (port_text.size() > 5) return false;
    named_port = 0;
    for (wchar_t c : port_text) {
      if (c < L'0' || c > L'9') return false;
      named_port = named_port * 10 + static_cast<unsigned>(c - L'0');
    }
  }
  return named_port == port;
}

}  // namespace

std::optional<std::wstring> redirect_target(std::wstring_view location,
                                            std::wstring_view current_host, unsigned current_port) {
  std::wstring url = L"HTTPS://";
  if (const std::size_t prefix = scheme_prefix(location)) {
    const std::wstring_view rest = location.substr(prefix);
    if (!names_server(rest.substr(0, rest.find_first_of(L"/?#")), current_host, current_port))
      return std::nullopt;
    url += rest;
    return url;
  }
  url += url_authority(current_host, current_port, true);
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

// The service address from the machine policy or the resource library.
#include "service_address.h"

#include "portable/machine_policy.h"
#include "portable/text.h"
#include "resource_ids.h"

namespace mivo {
namespace {

bool is_host_character(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
         c == '-';
}

}  // namespace

std::optional<std::string> https_service_address(std::string_view text) {
  constexpr std::string_view kScheme = "https://";
  if (text.size() <= kScheme.size() ||
      !equal_ignoring_ascii_case(text.substr(0, kScheme.size()), kScheme)) {
    return std::nullopt;
  }
  std::string_view authority = text.substr(kScheme.size());
  if (authority.back() == '/') {
    authority.remove_suffix(1);
  }
  const std::size_t colon = authority.find(':');
  const std::string_view host = authority.substr(0, colon);
  if (host.empty()) {
    return std::nullopt;
  }
  for (char c : host) {
    if (!is_host_character(c)) {
      return std::nullopt;
    }
  }
  if (colon != std::string_view::npos) {
    const std::string_view port = authority.substr(colon + 1);
    if (port.empty() || port.size() > 5) {
      return std::nullopt;
    }
    for (char c : port) {
      if (c < '0' || c > '9') {
        return std::nullopt;
      }
    }
  }
  return std::string(kScheme) + std::string(authority);
}

std::string service_address(MachinePolicyPort& policy, UserInterfacePort& ui) {
  // A value that is not an https address is ignored rather than trusted in
  // part: the password and the token go wherever this points.
  if (const std::optional<std::string> chosen = policy.text(policy::kServiceUrl)) {
    if (std::optional<std::string> address = https_service_address(*chosen)) {
      return *address;
    }
  }
  return ui.load_string(IDS_SERVICE_URL);
}

}  // namespace mivo

// The one meeting service every request goes to: the address an
// administrator set as machine policy, else the one built into the resource
// library.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "ports.h"

namespace mivo {

// The administrator's ServiceUrl when it is an address the service may have
// (https_service_address), else string 114 of the resource library. Read
// afresh at every call. The user's "mivositename" has no say.
std::string service_address(MachinePolicyPort& policy, UserInterfacePort& ui);

// `text` as a service address: "https://" (in any case), a host of letters,
// digits, "." and "-", optionally ":" and a port, and at most one "/" at
// the end, which is dropped; the scheme comes out as "https://". nullopt for
// anything else (another scheme, user information, a path, a query).
std::optional<std::string> https_service_address(std::string_view text);

}  // namespace mivo

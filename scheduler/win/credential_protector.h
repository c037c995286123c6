// The stored password protected with DPAPI for the current user, as Base64
// text so that it fits a REG_SZ value.
#pragma once

#include <memory>

#include "ports.h"

namespace mivo::scheduler {

std::unique_ptr<CredentialProtectorPort> make_credential_protector();

}  // namespace mivo::scheduler

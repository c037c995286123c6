// The user-interface and transport ports of the scheduler's core over the
// Win32 dialogs and the request dialog.
#pragma once

#include <memory>
#include <string>

#include "ports.h"

namespace mivo::scheduler {

std::unique_ptr<mivo::UserInterfacePort> make_user_interface();

// Each send runs one request dialog. The agent comes from MivoOIURL.dll in
// the scheduler's folder, never from a registration.
std::unique_ptr<mivo::TransportPort> make_transport();
// The same with the agent's library looked for in `agent_folder`.
std::unique_ptr<mivo::TransportPort> make_transport(std::wstring agent_folder);

}  // namespace mivo::scheduler

// The scheduler's ports over Win32: the registry store and the machine
// policy, the DPAPI protector, the shell launcher and the installer from this
// folder, the dialogs and the request dialog from dialogs/.
#pragma once

#include "ports.h"

namespace mivo::scheduler {

mivo::SchedulerPorts make_scheduler_ports();

}  // namespace mivo::scheduler

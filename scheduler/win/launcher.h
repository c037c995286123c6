// Starting the desktop meeting client and the browser.
#pragma once

#include <memory>

#include "ports.h"

namespace mivo::scheduler {

std::unique_ptr<LauncherPort> make_launcher();

}  // namespace mivo::scheduler

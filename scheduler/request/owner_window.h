// The warning boxes and owner windows the scheduler's flows share.
#pragma once

#include <string>

#include "ports.h"

namespace mivo {

// A warning box (task-modal, top-most) captioned with string 107.
void show_warning(UserInterfacePort& ui, WindowHandle owner, const std::string& text);
// The same with a string of the resource library as its text.
void show_warning(UserInterfacePort& ui, WindowHandle owner, int string_id);

// The active window, or the foreground window when none is active and that
// one is the host's own, else none (0): the owner of calls that must not fail
// just because the host has no active window. Another program's window is
// never an owner: a modal dialog would disable it.
WindowHandle active_or_foreground(UserInterfacePort& ui);

// The owner of a request dialog, and of the warnings that tell why its
// request failed: `chosen` when it is a window, else the foreground window
// when it is one of the host's own, else none (0). A request is never
// skipped for want of an owner: the host may have no active window while an
// appointment window closes or another program is in front, and skipping
// the schedule lookup then would delete or update the wrong conference.
WindowHandle request_owner(UserInterfacePort& ui, WindowHandle chosen);

}  // namespace mivo

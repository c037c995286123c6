// The warning boxes and owner window the scheduler's flows share.
#pragma once

#include <string>

#include "ports.h"

namespace mivo {

// A warning box (task-modal, top-most) captioned with string 107.
void show_warning(IUserInterface& ui, WindowHandle owner, const std::string& text);
// The same with a string of the resource library as its text.
void show_warning(IUserInterface& ui, WindowHandle owner, int string_id);

// The active window, or the foreground window when none is active: the owner
// of calls that must not fail just because the host has no active window.
WindowHandle active_or_foreground(IUserInterface& ui);

}  // namespace mivo

// The scheduler's resource library (dialog templates, strings, pictures).
#pragma once

#include <windows.h>

namespace mivo::scheduler {

// MivoOlkRes.dll from the scheduler module's folder, loaded at the first
// call (never under the loader lock) and kept for the rest of the process;
// null when it is missing.
HINSTANCE resource_library() noexcept;

}  // namespace mivo::scheduler

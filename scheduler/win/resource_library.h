// The scheduler's resource library (dialog templates, strings, pictures) and
// the folder the scheduler module was loaded from.
#pragma once

#include <windows.h>

#include <string>

namespace mivo::scheduler {

// MivoOlkRes.dll loaded from module_folder(); null when it is missing.
HINSTANCE resource_library() noexcept;

// Loads MivoOlkRes.dll from module_folder(), freeing a library loaded before.
// DllMain calls it at process attach; a test program linking the static
// libraries calls it itself.
void load_resource_library() noexcept;
void free_resource_library() noexcept;

// Folder of the module holding this code, without a trailing backslash; ""
// when the module path has no backslash or cannot be read.
std::wstring module_folder();

}  // namespace mivo::scheduler

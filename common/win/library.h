// Loading libraries from known places only: a library found anywhere on the
// search path (the host's folder, the current folder, PATH) could be one that
// someone planted there under a system library's or our own library's name.
#pragma once

#include <windows.h>

#include <string>

namespace mivo::win {

// A system library (atl.dll, ...) from the system folder, never from the
// search path. Null on failure, with the error in GetLastError().
HMODULE load_system_library(const wchar_t* file_name) noexcept;

// One of the product's own libraries, `file_name` in `folder` (an absolute
// path); the libraries it imports come from that folder and the system folder
// only. A relative or empty folder loads nothing.
HMODULE load_library_beside(const std::wstring& folder, const wchar_t* file_name) noexcept;

}  // namespace mivo::win

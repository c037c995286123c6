// The test program's own folder, and other programs run to their end.
#pragma once

#include <windows.h>

#include <string>

namespace mivo::com::testing {

// Folder of the running program (bin/), without a trailing backslash: the
// DLLs under test and the helper programs lie there.
std::wstring program_folder();

// Runs a command line to its end; the program's exit code, or -1 when it
// could not be started. With `output_file` the program's standard output
// goes to that file (made anew), started directly rather than through a
// shell's redirection.
DWORD run_program(std::wstring command_line, const std::wstring& output_file = L"");

}  // namespace mivo::com::testing

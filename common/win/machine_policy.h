// Reading the machine policy key
// HKEY_LOCAL_MACHINE\Software\Policies\Mivo_Outlook\General, in the 64-bit
// view where Group Policy writes (also for the x86 libraries in 32-bit
// Outlook). Administrators alone can write there; nothing of the user's key
// is ever read in its place. The names of the values are in
// portable/machine_policy.h.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace mivo::win {

// A REG_SZ value; nullopt when the key or the value is missing or the value
// is of another type.
std::optional<std::wstring> policy_text(const char* name);
// A REG_DWORD value; nullopt likewise.
std::optional<DWORD> policy_number(const char* name);

}  // namespace mivo::win

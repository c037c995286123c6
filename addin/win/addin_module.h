// What the add-in module holds for the whole process: the resource library
// MivoOlkRes64.dll and the scheduler library of the add-in's bitness
// (MivoScheduler64.dll, or MivoScheduler.dll beside the x86 add-in), both
// loaded from the add-in's own folder by full path, with what they import
// taken from that folder and the system folder only.
#pragma once

#include <windows.h>

#include "portable/ui_language.h"

namespace mivo::addin {

// The resource library (ribbon XML and button pictures), loaded on first
// need; null when it cannot be loaded (the next call tries again).
HMODULE resource_library() noexcept;
// Frees the resource library; the next resource_library() loads it again.
void free_resource_library() noexcept;

// Office's user-interface language, as OnConnection read it (0: unknown).
void set_office_language(LanguageId language) noexcept;

// The language of the ribbon markup: the administrator's "Language" policy,
// else Office's language, else the user's Windows display language; among
// those the resource library carries (English for a language it lacks).
// 0 without the resource library.
LanguageId ribbon_language() noexcept;

// A new scheduler object from the scheduler library beside the add-in,
// through the library's own DllGetClassObject. The library is loaded on the
// first call that finds it and stays loaded for the life of the process; it
// is told Office's language, so that its dialogs speak it too.
// E_NOINTERFACE when the library or its export is missing.
HRESULT LoadSchedulerObject(REFCLSID rclsid, REFIID riid, void** ppv) noexcept;

}  // namespace mivo::addin

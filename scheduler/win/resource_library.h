// The scheduler's resource library (dialog templates, strings, pictures) and
// the language its texts are shown in.
#pragma once

#include <windows.h>

#include <string>

#include "portable/ui_language.h"

namespace mivo::scheduler {

// MivoOlkRes.dll from the scheduler module's folder, loaded at the first
// call (never under the loader lock) and kept for the rest of the process;
// null when it is missing.
HINSTANCE resource_library() noexcept;

// The language the host application shows its own user interface in (the
// add-in passes Office's); 0 forgets it. Process-wide, as the host's
// language is.
void set_host_language(LanguageId language) noexcept;

// The language of the texts and dialogs, decided afresh at every use: the
// administrator's "Language" policy, else the host's language, else the
// user's Windows display language; among those the resource library
// carries (choose_language: English for a language it lacks). 0 without the
// library.
LanguageId resource_language() noexcept;

// A string of the resource library in resource_language(), or in English
// when that language's table lacks it; "" when it (or the library) is
// missing, never one of the host program's own.
std::wstring resource_string(int id);

}  // namespace mivo::scheduler

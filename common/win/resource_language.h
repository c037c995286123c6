// Resources in one of the languages a resource library carries, and the
// language an administrator sets for the product.
//
// Windows picks a resource's language by itself when asked for a
// language-neutral one (the thread's and the user's languages, then any):
// the product asks for the language it chose instead, so that what Office
// speaks, or what the administrator set, decides.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "portable/ui_language.h"

namespace mivo::win {

// The languages `module` carries resource `id` of `type` in, neutral ones
// left out, in the module's order.
std::vector<LanguageId> resource_languages(HMODULE module, const wchar_t* type, int id) noexcept;

// A resource's bytes, in `language` when the module has it in that
// language (else in whichever the system's fallback finds); no data when the
// module lacks the resource.
struct resource_bytes {
  const void* data = nullptr;
  DWORD size = 0;
};
resource_bytes find_resource(HMODULE module, const wchar_t* type, int id,
                             LanguageId language) noexcept;

// Dialog template `id` in `language`, for DialogBoxIndirectParamW and
// CreateDialogIndirectParamW; null when the module lacks it.
const DLGTEMPLATE* dialog_template(HMODULE module, int id, LanguageId language) noexcept;

// String `id` of `module` in `language`; "" when that language's table lacks
// it (or the module is null).
std::wstring load_string(HMODULE module, int id, LanguageId language);

// The language set by the machine policy "Language" under
// HKEY_LOCAL_MACHINE\Software\Policies\Mivo_Outlook\General: a locale name
// (REG_SZ: "en-US", "zh-CN", "zh") or a language or locale identifier
// (REG_DWORD: 1033, 2052). 0 when it is unset or names no language.
LanguageId language_policy() noexcept;

// The user's Windows display language.
LanguageId windows_language() noexcept;

}  // namespace mivo::win

// Language-exact resource lookups and the language policy.
#include "resource_language.h"

#include "machine_policy.h"
#include "portable/machine_policy.h"

namespace mivo::win {
namespace {

BOOL CALLBACK collect_language(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR found) noexcept
    try {
  if (primary_language(language) != LANG_NEUTRAL)
    reinterpret_cast<std::vector<LanguageId>*>(found)->push_back(language);
  return TRUE;
} catch (...) {
  return FALSE;
}

}  // namespace

std::vector<LanguageId> resource_languages(HMODULE module, const wchar_t* type, int id) noexcept {
  std::vector<LanguageId> found;
  if (module)
    EnumResourceLanguagesW(module, type, MAKEINTRESOURCEW(id), &collect_language,
                           reinterpret_cast<LONG_PTR>(&found));
  return found;
}

resource_bytes find_resource(HMODULE module, const wchar_t* type, int id,
                             LanguageId language) noexcept {
  if (!module) return {};
  const HRSRC found = FindResourceExW(module, type, MAKEINTRESOURCEW(id), language);
  const DWORD size = found ? SizeofResource(module, found) : 0;
  const HGLOBAL loaded = size ? LoadResource(module, found) : nullptr;
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) return {};
  return {data, size};
}

const DLGTEMPLATE* dialog_template(HMODULE module, int id, LanguageId language) noexcept {
  return static_cast<const DLGTEMPLATE*>(find_resource(module, RT_DIALOG, id, language).data);
}

std::wstring load_string(HMODULE module, int id, LanguageId language) {
  if (id < 0 || id > 0xFFFF) return std::wstring();
  // A string table block holds strings 16 * (n - 1) to 16 * n - 1, each a
  // count of characters followed by the characters.
  const resource_bytes block = find_resource(module, RT_STRING, id / 16 + 1, language);
  const auto* text = static_cast<const wchar_t*>(block.data);
  const wchar_t* const end = text + block.size / sizeof(wchar_t);
  for (int index = 0; text && text < end; ++index) {
    const std::size_t length = static_cast<std::size_t>(*text++);
    if (length > static_cast<std::size_t>(end - text)) break;
    if (index == id % 16) return std::wstring(text, length);
    text += length;
  }
  return std::wstring();
}

LanguageId language_policy() noexcept try {
  LCID locale = 0;
  if (const std::optional<DWORD> number = policy_number(policy::kLanguage)) {
    locale = *number;
  } else if (const std::optional<std::wstring> name = policy_text(policy::kLanguage)) {
    locale = LocaleNameToLCID(name->c_str(), LOCALE_ALLOW_NEUTRAL_NAMES);
  }
  // A name Windows does not know comes back as no locale, or as the custom
  // one (0x1000), which names no language either.
  const LanguageId language = LANGIDFROMLCID(locale);
  return primary_language(language) == LANG_NEUTRAL ? 0 : language;
} catch (...) {
  return 0;
}

LanguageId windows_language() noexcept { return GetUserDefaultUILanguage(); }

}  // namespace mivo::win

// Loading MivoOlkRes.dll beside the scheduler module on first need, and the
// language of its texts.
#include "resource_library.h"

#include <atomic>

#include "com/module.h"
#include "resource_ids.h"
#include "win/library.h"
#include "win/resource_language.h"

namespace mivo::scheduler {
namespace {

std::atomic<LanguageId> g_host_language{0};

HINSTANCE load() noexcept {
  const HINSTANCE library = mivo::com::module::load_sibling(L"MivoOlkRes.dll");
  // The library stays for the life of the process, and so does the module
  // that loaded it: freeing it on unload would mean calling FreeLibrary
  // under the loader lock.
  if (library) mivo::com::module::keep_loaded();
  return library;
}

}  // namespace

HINSTANCE resource_library() noexcept {
  // One attempt, on whichever thread needs it first.
  static const HINSTANCE library = load();
  return library;
}

void set_host_language(LanguageId language) noexcept { g_host_language = language; }

LanguageId resource_language() noexcept try {
  const HINSTANCE library = resource_library();
  if (!library) return 0;
  LanguageId wanted = mivo::win::language_policy();
  if (!wanted) wanted = g_host_language;
  if (!wanted) wanted = mivo::win::windows_language();
  // Every language carries the warning caption's block of the string table.
  return choose_language(
      wanted, mivo::win::resource_languages(library, RT_STRING, IDS_WARNING_CAPTION / 16 + 1));
} catch (...) {
  return 0;
}

std::wstring resource_string(int id) {
  // A null instance would look in the host program's own string table.
  const HINSTANCE library = resource_library();
  if (!library) return std::wstring();
  std::wstring text = mivo::win::load_string(library, id, resource_language());
  if (text.empty()) text = mivo::win::load_string(library, id, kEnglishUS);
  return text;
}

}  // namespace mivo::scheduler

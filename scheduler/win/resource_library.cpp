// Loading MivoOlkRes.dll beside the scheduler module on first need.
#include "resource_library.h"

#include "win/library.h"
#include "com/module.h"

namespace mivo::scheduler {
namespace {

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

}  // namespace mivo::scheduler

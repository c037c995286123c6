// Loading and freeing MivoOlkRes.dll beside the scheduler module.
#include "resource_library.h"

#include "com/library.h"
#include "com/module.h"

namespace mivo::scheduler {
namespace {
// Set at process attach and cleared at detach (a test program linking the
// static libraries does both itself, before and after its work); every other
// use only reads it.
HINSTANCE g_resources = nullptr;
}  // namespace

HINSTANCE resource_library() noexcept { return g_resources; }

std::wstring module_folder() {
  const std::wstring path = mivo::com::module::path();
  const std::wstring::size_type slash = path.rfind(L'\\');
  if (slash == std::wstring::npos) return std::wstring();
  return path.substr(0, slash);
}

void load_resource_library() noexcept {
  free_resource_library();
  try {
    g_resources = mivo::com::load_library_beside(module_folder(), L"MivoOlkRes.dll");
  } catch (...) {
    // Out of memory while building the path: run without the library, as
    // when it is missing.
    g_resources = nullptr;
  }
}

void free_resource_library() noexcept {
  if (g_resources) FreeLibrary(g_resources);
  g_resources = nullptr;
}

}  // namespace mivo::scheduler

// Module counts, the module's own path and the class-object lookup.
#include "module.h"

#include <atomic>

#include "win/library.h"
#include "result.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace mivo::com {
namespace {
std::atomic<long> g_objects{0};
std::atomic<long> g_locks{0};
}  // namespace

HMODULE module::handle() noexcept { return reinterpret_cast<HMODULE>(&__ImageBase); }

std::wstring module::path() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD size = static_cast<DWORD>(buffer.size());
    const DWORD length = GetModuleFileNameW(handle(), buffer.data(), size);
    if (length == 0) return std::wstring();
    // A full buffer means the path may have been cut: try a larger one.
    if (length < size) {
      buffer.resize(length);
      return buffer;
    }
    buffer.resize(buffer.size() * 2);
  }
}

std::wstring module::folder() {
  const std::wstring full = path();
  const std::wstring::size_type slash = full.rfind(L'\\');
  if (slash == std::wstring::npos) return std::wstring();
  return full.substr(0, slash);
}

HMODULE module::load_sibling(const wchar_t* file_name) noexcept try {
  if (!file_name) return nullptr;
  return win::load_library_beside(folder(), file_name);
} catch (...) {
  // Out of memory while making the path: as if the library were missing.
  return nullptr;
}

void module::keep_loaded() noexcept {
  HMODULE pinned = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                     reinterpret_cast<LPCWSTR>(handle()), &pinned);
}

void module::object_created() noexcept { ++g_objects; }
void module::object_destroyed() noexcept { --g_objects; }
void module::lock() noexcept { ++g_locks; }
void module::unlock() noexcept { --g_locks; }

HRESULT module::can_unload_now() noexcept {
  return g_objects.load() == 0 && g_locks.load() == 0 ? S_OK : S_FALSE;
}

HRESULT get_class_object(const class_entry* classes, std::size_t count, REFCLSID clsid, REFIID iid,
                         void** out) noexcept {
  if (!out) return E_POINTER;
  *out = nullptr;
  for (std::size_t i = 0; i < count; ++i) {
    if (IsEqualCLSID(clsid, *classes[i].clsid)) return classes[i].factory->QueryInterface(iid, out);
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT class_object_from_library(HMODULE library, REFCLSID clsid, REFIID iid,
                                  void** out) noexcept {
  if (!out) return E_POINTER;
  *out = nullptr;
  using get_class_object_fn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  const auto get = get_proc_address<get_class_object_fn>(library, "DllGetClassObject");
  if (!get) return hresult_from_last_error();
  return get(clsid, iid, out);
}

}  // namespace mivo::com

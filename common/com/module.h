// The module of an in-process COM server: its own handle and path, and the
// object and lock counts behind DllCanUnloadNow.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <cstddef>
#include <string>

namespace mivo::com {

class module {
 public:
  // The DLL (or program) this code is linked into.
  static HMODULE handle() noexcept;
  // Full path of that module; empty when it cannot be read.
  static std::wstring path();
  // Folder of that module, without a trailing backslash; empty when the
  // path cannot be read or has no backslash.
  static std::wstring folder();
  // A library beside this module, loaded by its full path (its own
  // dependencies are looked for in its folder first); null when it is
  // missing or the path cannot be made. Never call it under the loader lock.
  static HMODULE load_sibling(const wchar_t* file_name) noexcept;
  // Keeps this module loaded for the rest of the process, whatever its
  // host frees: for code that leaves a window procedure, a timer callback or
  // a library it loaded behind.
  static void keep_loaded() noexcept;

  static void object_created() noexcept;
  static void object_destroyed() noexcept;
  static void lock() noexcept;
  static void unlock() noexcept;
  // S_OK when no object and no lock is alive, else S_FALSE.
  static HRESULT can_unload_now() noexcept;
};

// One creatable class of the module: its CLSID and its class factory.
struct class_entry {
  const CLSID* clsid;
  IClassFactory* factory;
};

// DllGetClassObject over the module's class table.
HRESULT get_class_object(const class_entry* classes, std::size_t count, REFCLSID clsid, REFIID iid,
                         void** out) noexcept;

template <std::size_t N>
HRESULT get_class_object(const class_entry (&classes)[N], REFCLSID clsid, REFIID iid,
                         void** out) noexcept {
  return get_class_object(classes, N, clsid, iid, out);
}

// The address of an exported function, typed; null when it is missing.
template <class Fn>
Fn get_proc_address(HMODULE library, const char* name) noexcept {
  // Through a generic function pointer: FARPROC does not convert directly.
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

// A class object from a loaded in-process server, through its exported
// DllGetClassObject rather than the registry.
HRESULT class_object_from_library(HMODULE library, REFCLSID clsid, REFIID iid, void** out) noexcept;

}  // namespace mivo::com

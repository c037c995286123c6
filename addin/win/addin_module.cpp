// The add-in's sibling libraries.
#include "addin_module.h"

#include <objbase.h>

#include "com/com_ptr.h"
#include "com/module.h"
#include "com/result.h"
#include "com/unique.h"

namespace mivo::addin {

namespace {

// Both handles are touched on the user-interface thread only.
com::unique_hmodule g_resources;
// Never freed: scheduler objects and the code of their dialogs may outlive
// any one caller.
HMODULE g_scheduler = nullptr;

}  // namespace

HMODULE resource_library() noexcept {
  if (!g_resources) g_resources.reset(com::module::load_sibling(L"MivoOlkRes64.dll"));
  return g_resources.get();
}

void free_resource_library() noexcept { g_resources.reset(); }

HRESULT LoadSchedulerObject(REFCLSID rclsid, REFIID riid, void** ppv) noexcept {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  // The scheduler's file name for this bitness comes from its build.
  if (!g_scheduler) g_scheduler = com::module::load_sibling(MIVO_SCHEDULER_DLL_NAME);
  if (!g_scheduler) return E_NOINTERFACE;
  if (!GetProcAddress(g_scheduler, "DllGetClassObject")) return E_NOINTERFACE;
  com::com_ptr<IClassFactory> factory;
  const HRESULT hr =
      com::class_object_from_library(g_scheduler, rclsid, IID_IClassFactory, factory.put_void());
  if (!factory) return hr;
  return factory->CreateInstance(nullptr, riid, ppv);
}

}  // namespace mivo::addin

// MivoOutlookPlugin.dll: the module and its in-process server exports.
#include <windows.h>

#include "COutlookConnector.h"
#include "addin_module.h"
#include "com/module.h"
#include "com/registration.h"
#include "resource.h"

namespace {

const mivo::com::registration& registration() {
  static const UINT scripts[] = {IDR_MIVOOUTLOOKPLUGIN_MODULE, IDR_OUTLOOKCONNECTOR};
  static const mivo::com::registration what = {scripts, sizeof(scripts) / sizeof(scripts[0]),
                                               L"{8CD77BEF-AF44-4F46-8F13-A779C4C37221}", true};
  return what;
}

// The registrar runs under the system's default locale, whatever the
// calling thread's, and the thread gets its own back afterwards.
class system_locale_scope {
 public:
  system_locale_scope() : previous_(GetThreadLocale()) { SetThreadLocale(LOCALE_SYSTEM_DEFAULT); }
  ~system_locale_scope() { SetThreadLocale(previous_); }
  system_locale_scope(const system_locale_scope&) = delete;
  system_locale_scope& operator=(const system_locale_scope&) = delete;

 private:
  LCID previous_;
};

}  // namespace

// Bookkeeping only: the sibling libraries load when first needed.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
  static const mivo::com::class_entry classes[] = {
      {&CLSID_OutlookConnector, mivo::com::class_factory<COutlookConnector>::instance()}};
  return mivo::com::get_class_object(classes, rclsid, riid, ppv);
}

STDAPI DllCanUnloadNow() {
  const HRESULT hr = mivo::com::module::can_unload_now();
  // The module may go now: its resource library goes first, outside the
  // loader lock.
  if (hr == S_OK) mivo::addin::free_resource_library();
  return hr;
}

STDAPI DllRegisterServer() {
  const system_locale_scope locale;
  return mivo::com::register_server(registration(), mivo::com::registration_scope::machine);
}

STDAPI DllUnregisterServer() {
  const system_locale_scope locale;
  return mivo::com::unregister_server(registration(), mivo::com::registration_scope::machine);
}

STDAPI DllInstall(BOOL bInstall, LPCWSTR pszCmdLine) {
  const system_locale_scope locale;
  return mivo::com::install_server(registration(), bInstall, pszCmdLine);
}

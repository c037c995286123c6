// MivoOIURL.dll: the module (CMivoOIURLModule) and its in-process server
// exports.
#include <windows.h>

#include "CMivoOIURLObject.h"
#include "com/module.h"
#include "com/registration.h"
#include "resource.h"

namespace {

class CMivoOIURLModule {
 public:
  static const mivo::com::registration& registration() {
    static const UINT scripts[] = {IDR_MIVOOIURL_MODULE, IDR_MIVOOIURL_OBJECT};
    static const mivo::com::registration what = {scripts, sizeof(scripts) / sizeof(scripts[0]),
                                                 L"{D4D2D3BF-26BD-48AF-BA06-4ABECBC336F2}", true};
    return what;
  }

  static HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    static const mivo::com::class_entry classes[] = {
        {&CLSID_MivoOIURLObject, mivo::com::class_factory<CMivoOIURLObject>::instance()}};
    return mivo::com::get_class_object(classes, clsid, iid, out);
  }
};

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
  return CMivoOIURLModule::GetClassObject(rclsid, riid, ppv);
}

STDAPI DllCanUnloadNow() { return mivo::com::module::can_unload_now(); }

STDAPI DllRegisterServer() {
  return mivo::com::register_server(CMivoOIURLModule::registration(),
                                    mivo::com::registration_scope::machine);
}

STDAPI DllUnregisterServer() {
  return mivo::com::unregister_server(CMivoOIURLModule::registration(),
                                      mivo::com::registration_scope::machine);
}

STDAPI DllInstall(BOOL bInstall, LPCWSTR pszCmdLine) {
  return mivo::com::install_server(CMivoOIURLModule::registration(), bInstall, pszCmdLine);
}

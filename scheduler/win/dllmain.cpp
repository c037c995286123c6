// MivoScheduler.dll: the module and its in-process server exports.
#include <windows.h>

#include "CMeetingRequest.h"
#include "com/module.h"
#include "com/registration.h"
#include "resource.h"

namespace {

class CMivoSchedulerModule {
 public:
  static const mivo::com::registration& registration() {
    static const UINT scripts[] = {IDR_MIVOSCHEDULER_MODULE, IDR_MEETINGREQUEST};
    static const mivo::com::registration what = {scripts, sizeof(scripts) / sizeof(scripts[0]),
                                                 L"{C68D264A-7EE1-4270-B5C4-09F06597B0B1}", true};
    return what;
  }

  static HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    static const mivo::com::class_entry classes[] = {
        {&CLSID_MeetingRequest,
         mivo::com::class_factory<CMeetingRequest, mivo::com::aggregation::allowed>::instance()}};
    return mivo::com::get_class_object(classes, clsid, iid, out);
  }
};

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
  return CMivoSchedulerModule::GetClassObject(rclsid, riid, ppv);
}

STDAPI DllCanUnloadNow() { return mivo::com::module::can_unload_now(); }

STDAPI DllRegisterServer() {
  return mivo::com::register_server(CMivoSchedulerModule::registration(),
                                    mivo::com::registration_scope::machine);
}

STDAPI DllUnregisterServer() {
  return mivo::com::unregister_server(CMivoSchedulerModule::registration(),
                                      mivo::com::registration_scope::machine);
}

STDAPI DllInstall(BOOL bInstall, LPCWSTR pszCmdLine) {
  return mivo::com::install_server(CMivoSchedulerModule::registration(), bInstall, pszCmdLine);
}

// The entry point and the five exports of every in-process server, answered
// from the server's this_server().
#include "server.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
  // Bookkeeping only: this runs under the loader lock, where loading a
  // library or making a window or a timer can deadlock the host (Outlook
  // loads its add-ins at start-up). Such work waits for first use.
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
  const mivo::com::server& server = mivo::com::this_server();
  return mivo::com::get_class_object(server.classes, server.class_count, rclsid, riid, ppv);
}

STDAPI DllCanUnloadNow() { return mivo::com::module::can_unload_now(); }

STDAPI DllRegisterServer() {
  return mivo::com::register_server(mivo::com::this_server().registry,
                                    mivo::com::registration_scope::machine);
}

STDAPI DllUnregisterServer() {
  return mivo::com::unregister_server(mivo::com::this_server().registry,
                                      mivo::com::registration_scope::machine);
}

STDAPI DllInstall(BOOL bInstall, LPCWSTR pszCmdLine) {
  return mivo::com::install_server(mivo::com::this_server().registry, bInstall, pszCmdLine);
}

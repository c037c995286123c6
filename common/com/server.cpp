// The entry point and the five exports of every in-process server, answered
// from the server's this_server().
#include "server.h"

namespace {

// The server's registration locale for the life of the object.
class registration_locale_scope {
 public:
  explicit registration_locale_scope(mivo::com::registration_locale locale)
      : previous_(GetThreadLocale()), changed_(locale == mivo::com::registration_locale::system) {
    if (changed_) SetThreadLocale(LOCALE_SYSTEM_DEFAULT);
  }
  ~registration_locale_scope() {
    if (changed_) SetThreadLocale(previous_);
  }
  registration_locale_scope(const registration_locale_scope&) = delete;
  registration_locale_scope& operator=(const registration_locale_scope&) = delete;

 private:
  LCID previous_;
  bool changed_;
};

}  // namespace

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
  const registration_locale_scope locale(mivo::com::this_server().locale);
  return mivo::com::register_server(mivo::com::this_server().registry,
                                    mivo::com::registration_scope::machine);
}

STDAPI DllUnregisterServer() {
  const registration_locale_scope locale(mivo::com::this_server().locale);
  return mivo::com::unregister_server(mivo::com::this_server().registry,
                                      mivo::com::registration_scope::machine);
}

STDAPI DllInstall(BOOL bInstall, LPCWSTR pszCmdLine) {
  const registration_locale_scope locale(mivo::com::this_server().locale);
  return mivo::com::install_server(mivo::com::this_server().registry, bInstall, pszCmdLine);
}

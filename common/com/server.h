// What an in-process COM server holds and how it registers. Each server DLL
// defines this_server() in a few lines; the shared exports (server.cpp,
// linked into the DLL by mivo_com_server() in CMake) answer DllGetClassObject,
// DllCanUnloadNow, DllRegisterServer, DllUnregisterServer and DllInstall
// from it, and its DllMain does bookkeeping only.
//
//   const mivo::com::server& mivo::com::this_server() noexcept {
//     static const class_entry classes[] = {{&CLSID_Thing, class_factory<CThing>::instance()}};
//     static const UINT scripts[] = {IDR_MODULE_RGS, IDR_THING_RGS};
//     static const server definition = make_server(classes, scripts, L"{app id}");
//     return definition;
//   }
#pragma once

#include <windows.h>

#include <cstddef>

#include "module.h"
#include "registration.h"

namespace mivo::com {

struct server {
  const class_entry* classes;
  std::size_t class_count;
  // The registration scripts, %APPID% and the embedded type library.
  registration registry;
};

template <std::size_t Classes, std::size_t Scripts>
server make_server(const class_entry (&classes)[Classes], const UINT (&scripts)[Scripts],
                   const wchar_t* app_id) noexcept {
  return server{classes, Classes, registration{scripts, Scripts, app_id, true}};
}

// Defined by each server DLL.
const server& this_server() noexcept;

}  // namespace mivo::com

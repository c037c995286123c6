// MivoOIURL.dll: the agent class, its registration scripts and AppID.
#include "CMivoOIURLObject.h"
#include "com/server.h"
#include "resource.h"

const mivo::com::server& mivo::com::this_server() noexcept {
  static const class_entry classes[] = {
      {&CLSID_MivoOIURLObject, class_factory<CMivoOIURLObject>::instance()}};
  static const UINT scripts[] = {IDR_MIVOOIURL_MODULE, IDR_MIVOOIURL_OBJECT};
  static const server definition =
      make_server(classes, scripts, L"{D4D2D3BF-26BD-48AF-BA06-4ABECBC336F2}");
  return definition;
}

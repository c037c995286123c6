// MivoOutlookPlugin.dll: the connector class, its registration scripts and
// AppID. The scripts run under the system's default locale.
#include "COutlookConnector.h"
#include "com/server.h"
#include "resource.h"

const mivo::com::server& mivo::com::this_server() noexcept {
  static const class_entry classes[] = {
      {&CLSID_OutlookConnector, class_factory<COutlookConnector>::instance()}};
  static const UINT scripts[] = {IDR_MIVOOUTLOOKPLUGIN_MODULE, IDR_OUTLOOKCONNECTOR};
  static const server definition = make_server(
      classes, scripts, L"{8CD77BEF-AF44-4F46-8F13-A779C4C37221}", registration_locale::system);
  return definition;
}

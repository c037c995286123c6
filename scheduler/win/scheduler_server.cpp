// MivoScheduler.dll: the meeting request class (which may be aggregated),
// its registration scripts and AppID; and the export through which the host
// names its user-interface language.
#include "CMeetingRequest.h"
#include "com/server.h"
#include "resource.h"
#include "win/resource_library.h"

const mivo::com::server& mivo::com::this_server() noexcept {
  static const class_entry classes[] = {
      {&CLSID_MeetingRequest, class_factory<CMeetingRequest, aggregation::allowed>::instance()}};
  static const UINT scripts[] = {IDR_MIVOSCHEDULER_MODULE, IDR_MEETINGREQUEST};
  static const server definition =
      make_server(classes, scripts, L"{C68D264A-7EE1-4270-B5C4-09F06597B0B1}");
  return definition;
}

// MivoSetUILanguageFunction (MivoScheduler.idl).
extern "C" __declspec(dllexport) void __stdcall MivoSetUILanguage(LANGID language) noexcept {
  mivo::scheduler::set_host_language(language);
}

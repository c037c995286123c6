// BSTR <-> UTF-8 around the four sink calls.
#include "settings_sink_adapter.h"

#include "com/unique.h"
#include "win/wide_text.h"

namespace mivo::scheduler {
namespace {

using getter = HRESULT (STDMETHODCALLTYPE ISettingsSink::*)(BSTR*);
using setter = HRESULT (STDMETHODCALLTYPE ISettingsSink::*)(BSTR);

bool get_text(ISettingsSink* sink, getter method, std::string& text) {
  mivo::com::unique_bstr value;
  if (FAILED((sink->*method)(value.put()))) return false;
  text = mivo::win::bstr_to_utf8(value.get());
  return true;
}

bool set_text(ISettingsSink* sink, setter method, const std::string& text) {
  const mivo::com::unique_bstr value = mivo::com::make_bstr(mivo::win::to_wide(text).c_str());
  return SUCCEEDED((sink->*method)(value.get()));
}

}  // namespace

bool SettingsSinkAdapter::get_subject(std::string& subject) {
  return get_text(sink_, &ISettingsSink::GetSubject, subject);
}

bool SettingsSinkAdapter::set_subject(const std::string& subject) {
  return set_text(sink_, &ISettingsSink::SetSubject, subject);
}

bool SettingsSinkAdapter::get_location(std::string& location) {
  return get_text(sink_, &ISettingsSink::GetLocation, location);
}

bool SettingsSinkAdapter::set_location(const std::string& location) {
  return set_text(sink_, &ISettingsSink::SetLocation, location);
}

}  // namespace mivo::scheduler

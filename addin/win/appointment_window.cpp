// The item and window operations of a tracker.
#include "appointment_window.h"

#include <string_view>

#include "appointment_reader.h"
#include "com/late_bound.h"
#include "com/result.h"
#include "edit_fields.h"
#include "item_properties.h"
#include "meeting_body.h"

namespace mivo::addin {

void AppointmentWindow::set_text(const wchar_t* property, BSTR value) {
  if (!item_) return;
  LOG_IF_FAILED(
      com::put(item_, property, std::wstring_view(value ? value : L"", SysStringLen(value))));
}

BSTR AppointmentWindow::text(const wchar_t* property) {
  if (!item_) return nullptr;
  com::dispatch_result value = com::get(item_, property);
  if (V_VT(&value) != VT_BSTR) return nullptr;
  // Handed over as it is: the caller frees it.
  return value.release().bstrVal;
}

std::string AppointmentWindow::read_record() { return ReadAppointmentInfo(item_.get()); }

std::string AppointmentWindow::user_property(const char* name) {
  return item_ ? GetUserPropertyText(item_.get(), name) : std::string();
}

void AppointmentWindow::set_user_property(const char* name, const std::string& text) {
  if (item_) SetUserPropertyText(item_.get(), name, text);
}

int AppointmentWindow::meeting_status() {
  return static_cast<int>(*com::as_int(com::get(item_, L"MeetingStatus")));
}

std::string AppointmentWindow::item_id() { return utf8_text(L"EntryID"); }

std::string AppointmentWindow::subject() { return utf8_text(L"Subject"); }

std::string AppointmentWindow::location() { return utf8_text(L"Location"); }

void AppointmentWindow::clear_subject() { set_text(L"Subject", nullptr); }

void AppointmentWindow::clear_location() { set_text(L"Location", nullptr); }

std::string AppointmentWindow::utf8_text(const wchar_t* property) {
  if (!item_) return std::string();
  return com::as_text(com::get(item_, property)).value_or(std::string());
}

void AppointmentWindow::insert_body(const std::string& text) {
  InsertMeetingBody(word_editor().get(), text);
}

void AppointmentWindow::replace_body(const std::string& text) {
  ReplaceMeetingBody(word_editor().get(), text);
}

void AppointmentWindow::commit_edit_fields() { CommitEditFields(); }

void AppointmentWindow::save_item() {
  if (item_) LOG_IF_FAILED(com::call(item_, L"Save").hr());
}

com::com_ptr<IDispatch> AppointmentWindow::word_editor() const {
  if (!inspector_) return nullptr;
  return com::as_dispatch(com::get(inspector_, L"WordEditor")).value_or(nullptr);
}

}  // namespace mivo::addin

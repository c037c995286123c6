// The tracker's calls into its scheduler object.
#include "scheduler_calls.h"

#include "com/result.h"
#include "com/unique.h"
#include "win/wide_text.h"

namespace mivo::addin {

long active_window_argument() noexcept { return HandleToLong(GetActiveWindow()); }

CallResult call_result(HRESULT hr) noexcept {
  if (hr == S_OK) return CallResult::ok;
  return SUCCEEDED(hr) ? CallResult::declined : CallResult::failed;
}

CallResult SchedulerCalls::simple_update() {
  const auto scheduler = current();
  if (!scheduler) return CallResult::failed;
  return call_result(scheduler->SimpleUpdate(0));
}

void SchedulerCalls::set_settings(bool item_open, const std::string& settings_record,
                                  const std::string& appointment_record) {
  const auto scheduler = current();
  if (!scheduler) return;
  const com::unique_bstr setting = win::bstr_from_utf8(settings_record);
  const com::unique_bstr record = win::bstr_from_utf8(appointment_record);
  LOG_IF_FAILED(scheduler->SetSettings(item_open ? VARIANT_TRUE : VARIANT_FALSE, setting.get(),
                                       record.get()));
}

CallResult SchedulerCalls::commit() {
  const auto scheduler = current();
  if (!scheduler) return CallResult::failed;
  return call_result(scheduler->Commit(active_window_argument()));
}

CallResult SchedulerCalls::remove() {
  const auto scheduler = current();
  if (!scheduler) return CallResult::failed;
  return call_result(scheduler->Delete(active_window_argument()));
}

MailBody SchedulerCalls::mail_body() {
  const auto scheduler = current();
  if (!scheduler) return {};
  com::unique_bstr body;
  com::unique_bstr description;
  if (FAILED(scheduler->GetMailBody(body.put(), description.put()))) return {};
  return {win::bstr_to_utf8(body.get()), win::bstr_to_utf8(description.get())};
}

bool SchedulerCalls::changed() {
  const auto scheduler = current();
  if (!scheduler) return false;
  ULONG changed = 0;
  return scheduler->GetMeetingInfoChangedFlag(&changed) == S_OK && changed != 0;
}

void SchedulerCalls::settings_dialog() {
  // E_FAIL: the user cancelled the dialog.
  if (const auto scheduler = current()) (void)scheduler->SettingsDoModal(active_window_argument());
}

}  // namespace mivo::addin

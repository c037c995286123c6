// MeetingRequest: the records, the change flag, the mail body and the
// methods that run a dialog or the account flows.
#include "meeting_request.h"

#include "portable/text.h"

namespace mivo {
namespace {

// Anything this short ("", "{}") is no record.
bool is_record(std::string_view json) { return utf16_length(json) > 2; }

Result confirmed_or_not(bool confirmed) { return confirmed ? Result::ok : Result::not_confirmed; }

}  // namespace

MeetingRequest::MeetingRequest(SchedulerPorts ports)
    : ports_(std::move(ports)),
      account_(ports_),
      current_(std::make_unique<CMeetingInfo>()),
      snapshot_(std::make_unique<CMeetingInfo>()) {}

MeetingRequest::~MeetingRequest() = default;

void MeetingRequest::set_settings(bool item_open, std::string_view settings_record,
                                  std::string_view appointment_record) {
  if (is_record(settings_record)) {
    snapshot_->read_settings_record(settings_record);
    // Renewed in place: a flow waiting in a request dialog's message loop
    // may still hold the record when the add-in calls in again.
    *current_ = CMeetingInfo();
    current_->copy_from(*snapshot_);
  }
  if (!is_record(appointment_record)) {
    return;
  }
  current_->recurrence.clear_recipients();
  current_->read_appointment_record(appointment_record);
  if (item_open) {
    snapshot_->read_appointment_record(appointment_record);
  }
}

bool MeetingRequest::meeting_info_changed() const { return current_->differs_from(*snapshot_); }

std::string MeetingRequest::mail_body() const { return current_->mail_content; }

std::string MeetingRequest::settings_record() const { return current_->write_settings_record(); }

Result MeetingRequest::settings_do_modal() {
  IUserInterface& ui = *ports_.ui;
  return ui.run_meeting_setting(ui.active_window(), *current_) == msgbox::kOk ? Result::ok
                                                                              : Result::failed;
}

Result MeetingRequest::about() {
  IUserInterface& ui = *ports_.ui;
  return ui.run_about(ui.active_window()) == msgbox::kOk ? Result::ok : Result::failed;
}

Result MeetingRequest::simple_update() {
  return account_.user_refresh(*current_) ? Result::ok : Result::failed;
}

Result MeetingRequest::account_setting() { return confirmed_or_not(account_.account_setting()); }

Result MeetingRequest::on_login() { return confirmed_or_not(account_.has_stored_account()); }

Result MeetingRequest::cancellation() { return confirmed_or_not(account_.cancellation()); }

}  // namespace mivo

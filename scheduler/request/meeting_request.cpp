// MeetingRequest: the records, the change flag, the mail body and the
// methods that run a dialog or the account flows.
#include "meeting_request.h"

#include "records/appointment_record.h"
#include "records/settings_record.h"
#include "request/owner_window.h"
#include "resource_ids.h"

namespace mivo {
namespace {

Result confirmed_or_not(bool confirmed) { return confirmed ? Result::ok : Result::not_confirmed; }

}  // namespace

MeetingRequest::MeetingRequest(SchedulerPorts ports) : ports_(std::move(ports)), account_(ports_) {}

MeetingRequest::~MeetingRequest() = default;

void MeetingRequest::set_settings(bool item_open, std::string_view settings_record,
                                  std::string_view appointment_record) {
  if (!records::is_no_record(settings_record)) {
    records::SettingsRecord stored;
    const bool parsed = records::parsed(records::read_settings_record(settings_record, stored));
    snapshot_.draft.take_settings(stored, parsed);
    if (parsed) snapshot_.meeting_key = stored.meeting_key;
    // A stored meeting starts afresh: nothing an earlier meeting of this
    // object learnt (its item, its conference and invitation, the user
    // loaded for it) carries over.
    current_ = snapshot_.draft;
    item_ = AppointmentItem();
    meeting_ = ServiceMeeting();
    meeting_.meeting_key = snapshot_.meeting_key;
    meeting_.host_user_id = stored.host_user_id;
    meeting_.default_subject = stored.default_subject;
    meeting_.location = stored.location;
    user_ = SignedInUser();
  }
  if (records::is_no_record(appointment_record)) {
    return;
  }
  records::AppointmentRecord appointment;
  const bool parsed =
      records::parsed(records::read_appointment_record(appointment_record, appointment));
  current_.recipients.clear();
  current_.take_appointment(appointment);
  if (parsed) {
    item_.message_class = appointment.message_class;
    item_.recurrence_state = appointment.recurrence_state;
  }
  if (item_open) {
    snapshot_.draft.take_appointment(appointment);
    if (parsed) item_.service_start = appointment.start;
  }
}

bool MeetingRequest::meeting_info_changed() const {
  return meeting_.meeting_key != snapshot_.meeting_key || current_.differs_from(snapshot_.draft);
}

std::string MeetingRequest::mail_body() const { return meeting_.mail_content; }

std::string MeetingRequest::settings_record() const {
  return records::write_settings_record(current_.settings_record(meeting_));
}

Result MeetingRequest::settings_do_modal() {
  UserInterfacePort& ui = *ports_.ui;
  return ui.run_meeting_setting(ui.active_window(), current_) == msgbox::kOk ? Result::ok
                                                                             : Result::failed;
}

Result MeetingRequest::about() {
  UserInterfacePort& ui = *ports_.ui;
  return ui.run_about(ui.active_window()) == msgbox::kOk ? Result::ok : Result::failed;
}

Result MeetingRequest::simple_update() {
  bool unanswered = false;
  const bool refreshed = account_.user_refresh(user_, &unanswered);
  if (refreshed && !user_.host_user_id.empty()) return Result::ok;
  // Nobody was read now or before, or only a user of an earlier sign-in: a
  // meeting made now would have no host (or another's) and a default subject
  // without a name, and an update or a removal would name no host or act for
  // somebody no longer signed in. The operation stops; a sign-in that ended
  // so has said why (or the user cancelled it), a user information request
  // without an answer has not.
  if (unanswered) {
    UserInterfacePort& ui = *ports_.ui;
    show_warning(ui, active_or_foreground(ui), IDS_NO_ANSWER);
  }
  return Result::failed;
}

Result MeetingRequest::account_setting() { return confirmed_or_not(account_.account_setting()); }

Result MeetingRequest::on_login() { return confirmed_or_not(account_.has_stored_account()); }

Result MeetingRequest::cancellation() { return confirmed_or_not(account_.cancellation()); }

}  // namespace mivo

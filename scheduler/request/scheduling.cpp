// Creating, updating and deleting the meeting on the service: the checks,
// the options dialog, the schedule lookup and what the answer changes.

#include "meeting/conference_record.h"
#include "meeting_request.h"
#include "request/owner_window.h"
#include "portable/json.h"
#include "portable/oadate.h"
#include "portable/text.h"
#include "resource_ids.h"
#include "service/rest_api.h"

namespace mivo {
namespace {

// The appointment's subject; a sink that fails to answer gives none.
std::string appointment_subject(AppointmentSinkPort& sink) {
  std::string subject;
  if (!sink.get_subject(subject)) {
    subject.clear();
  }
  return subject;
}

bool subject_too_long(const std::string& subject) {
  return utf16_length(subject) > kMaxSubjectLength;
}

// The service escapes line breaks of the invitation text as backslash-n; a
// backslash before anything else is the text's own.
std::string unescape_line_breaks(const std::string& text) {
  std::string result;
  result.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
      result += '\n';
      ++i;
    } else {
      result += text[i];
    }
  }
  return result;
}

}  // namespace

Result MeetingRequest::commit(AppointmentSinkPort* sink, WindowHandle parent) {
  if (sink == nullptr) {
    return Result::failed;
  }
  UserInterfacePort& ui = *ports_.ui;
  user_.token = account_.stored_token();
  if (current_.check_recurrence() != RecurrenceCheck::accepted) {
    show_warning(ui, parent, IDS_RECURRENCE_REFUSED);
    return Result::failed;
  }
  if (subject_too_long(appointment_subject(*sink))) {
    show_warning(ui, parent, IDS_SUBJECT_TOO_LONG);
    return Result::failed;
  }
  if (!send_meeting(*sink)) {
    return Result::failed;
  }
  meeting_.host_user_id = user_.host_user_id;
  item_.service_start = current_.start;
  snapshot_ = Snapshot{current_, meeting_.meeting_key};
  return Result::ok;
}

bool MeetingRequest::send_meeting(AppointmentSinkPort& sink) {
  UserInterfacePort& ui = *ports_.ui;
  CMeetingInfo& draft = current_;
  WindowHandle parent = ui.active_window();
  if (draft.first_start > draft.start) {
    show_warning(ui, parent, IDS_START_TOO_EARLY);
    return false;
  }
  if (draft.duration == 0) {
    show_warning(ui, parent, IDS_ZERO_DURATION);
    return false;
  }
  if (!ui.is_window(parent)) {
    parent = active_or_foreground(ui);
  }
  if (meeting_.meeting_key.empty() && ui.run_meeting_setting(parent, draft) != msgbox::kOk) {
    return false;
  }
  const std::string service = account_.service();
  const std::string url = rest::schedule_save_url(service, item_.recurrence_state);
  const std::string header = rest::token_header(user_.token);
  std::string method = "POST";
  if (!meeting_.meeting_key.empty()) {
    if (!may_change_on_service(parent, true)) {
      return false;
    }
    // An update without the conference it changes would reach the service
    // as a PUT for no conference: nothing is sent then.
    const WindowHandle owner = request_owner(ui, ui.active_window());
    switch (look_up_conference(owner)) {
      case ConferenceLookup::found:
        break;
      case ConferenceLookup::gone:
        show_warning(ui, owner, IDS_MEETING_GONE);
        return false;
      case ConferenceLookup::unanswered:
      case ConferenceLookup::unknown:
        return false;
    }
    method = "PUT";
  }
  const std::string subject = appointment_subject(sink);
  if (subject_too_long(subject)) {
    show_warning(ui, ui.active_window(), IDS_SUBJECT_TOO_LONG);
    return false;
  }
  draft.subject = subject;
  const bool subject_made = subject.empty();
  const std::string body =
      build_conference_record(draft, meeting_, {user_.host_user_id, user_.host_user_name},
                              ui.load_string(IDS_DEFAULT_SUBJECT));
  const WindowHandle owner = request_owner(ui, parent);
  const std::string response = ports_.transport->send({url, body, header, method, owner});

  const rest::Envelope envelope = rest::read_envelope(response);
  JsonObjectReader data(envelope.data);
  const std::string meeting_key = data.text("meetingKey");
  const std::string mail_content = data.text("mailContent");
  // An answer without a key would leave the meeting on the service with no
  // way to update or delete it from here: the service did not really answer.
  const int message =
      envelope.ok() && meeting_key.empty() ? IDS_NO_ANSWER : rest::schedule_save_message(envelope);
  if (message != 0) {
    show_warning(ui, owner, message);
  }
  if (!envelope.ok() || meeting_key.empty()) {
    return false;
  }
  meeting_.mail_content = unescape_line_breaks(mail_content);
  meeting_.meeting_key = meeting_key;

  // What is written into the appointment is remembered with the meeting, so
  // that removing the meeting takes these texts and leaves the user's.
  if (method == "POST") {
    meeting_.default_subject.clear();
    meeting_.location.clear();
  }
  sink.set_subject(draft.subject);
  if (subject_made) {
    meeting_.default_subject = draft.subject;
  }
  std::string location;
  if (!sink.get_location(location)) {
    location.clear();
  }
  if (location.empty()) {
    meeting_.location = service + "/" + meeting_.meeting_key;
    sink.set_location(meeting_.location);
  }
  return true;
}

bool MeetingRequest::may_change_on_service(WindowHandle owner, bool sends_host) {
  UserInterfacePort& ui = *ports_.ui;
  if (user_.host_user_id.empty()) {
    if (!sends_host) return true;
    // The user refresh got no answer: the update would go out without a host.
    show_warning(ui, owner, IDS_NO_ANSWER);
    return false;
  }
  if (!meeting_.host_user_id.empty() && meeting_.host_user_id != user_.host_user_id) {
    show_warning(ui, owner, IDS_OTHER_ACCOUNT);
    return false;
  }
  return true;
}

MeetingRequest::ConferenceLookup MeetingRequest::look_up_conference(WindowHandle owner) {
  const std::string response = ports_.transport->send(
      {rest::schedule_query_url(account_.service(), meeting_.meeting_key), "",
       rest::token_header(user_.token), "GET", owner});
  const rest::Envelope envelope = rest::read_envelope(response);
  const rest::Outcome outcome = rest::outcome(envelope);
  if (outcome == rest::Outcome::refused) {
    // The identifier an earlier lookup found still names the conference.
    return meeting_.conference_id.empty() ? ConferenceLookup::unknown : ConferenceLookup::found;
  }
  bool readable =
      outcome == rest::Outcome::success && (envelope.data.isNull() || envelope.data.isArray());
  std::string conference_id;
  if (readable) {
    // One occurrence is the service's occurrence of the day it had there,
    // wherever the user has moved it since.
    const bool single = rest::is_single_instance(item_.recurrence_state);
    const std::string start_date =
        item_.service_start != 0 ? format_date(item_.service_start) : current_.start_date_text();
    for (const Json::Value& element : envelope.data) {
      JsonObjectReader conference(element);
      if (!single || equal_ignoring_ascii_case(conference.text("startDate"), start_date)) {
        conference_id = conference.text("id");
        // A record from before passwords were kept does not know the
        // meeting's: the service's is kept rather than dropped by the update.
        if (meeting_.host_user_id.empty() && current_.password.empty()) {
          current_.password = conference.text("password");
        }
        readable = !conference.met_wrong_type();
        break;
      }
    }
  }
  if (!readable) {
    show_warning(*ports_.ui, owner, IDS_NO_ANSWER);
    return ConferenceLookup::unanswered;
  }
  meeting_.conference_id = conference_id;
  return conference_id.empty() ? ConferenceLookup::gone : ConferenceLookup::found;
}

Result MeetingRequest::remove(WindowHandle parent) {
  if (meeting_.meeting_key.empty()) {
    return Result::ok;
  }
  UserInterfacePort& ui = *ports_.ui;
  if (!may_change_on_service(request_owner(ui, ui.active_window()), false)) {
    return Result::failed;
  }
  switch (look_up_conference(request_owner(ui, ui.active_window()))) {
    case ConferenceLookup::found:
      ports_.transport->send(
          {rest::schedule_delete_url(account_.service(), meeting_.conference_id,
                                     item_.recurrence_state),
           "", rest::token_header(user_.token), "DELETE", request_owner(ui, parent)});
      break;
    case ConferenceLookup::gone:
      break;
    case ConferenceLookup::unanswered:
    case ConferenceLookup::unknown:
      // The key is all that links the appointment to the service's meeting:
      // kept, so that the user can try again.
      return Result::failed;
  }
  meeting_.meeting_key.clear();
  return Result::ok;
}

}  // namespace mivo

// The tracker's handlers and commands.
#include "meeting_tracker.h"

namespace mivo::addin {

void MeetingTracker::opened() {
  meeting_setting_ = window_.user_property(kMeetingProperty);
  const std::string record = window_.read_record();
  if (scheduler_.held() && !meeting_setting_.empty() && !record.empty())
    scheduler_.set_settings(true, meeting_setting_, record);
  online_meeting_ = !meeting_setting_.empty();
}

void MeetingTracker::add_meeting() {
  if (!scheduler_.held()) return;
  window_.commit_edit_fields();
  // Signing in may be refused or cancelled; the scheduler has told the user.
  if (scheduler_.simple_update() == CallResult::failed) return;
  scheduler_.set_settings(false, "", window_.read_record());
  if (scheduler_.commit() == CallResult::failed) return;
  // The meeting exists on the service from here on: its record is kept with
  // the item even where the window has no body to write the text into.
  const MailBody mail = scheduler_.mail_body();
  store_meeting(mail.description);
  if (window_.has_inspector()) window_.insert_body(mail.body);
  online_meeting_ = true;
}

void MeetingTracker::cancel_meeting() {
  if (!scheduler_.held()) return;
  remove_and_clean_up();
  online_meeting_ = false;
}

void MeetingTracker::meeting_options() {
  if (scheduler_.held()) scheduler_.settings_dialog();
}

bool MeetingTracker::sending() {
  if (!window_.has_item()) return false;
  bool cancel = false;
  const bool cancellation = window_.meeting_status() == kMeetingCanceled;
  if (cancellation || !online_meeting_) {
    if (!meeting_setting_.empty()) remove();
  } else if (scheduler_.held()) {
    scheduler_.set_settings(false, "", window_.read_record());
    if (scheduler_.changed()) {
      if (scheduler_.commit() == CallResult::failed) {
        // The invitation must not go out with details the service lacks.
        cancel = true;
      } else {
        const MailBody mail = scheduler_.mail_body();
        store_meeting(mail.description);
        if (window_.has_inspector()) window_.replace_body(mail.body);
      }
    }
  }
  window_.set_user_property(kClosedProperty, "1");
  return cancel;
}

void MeetingTracker::saving() {
  // A first save before the meeting was ever sent takes the online meeting
  // off the appointment; once sent or saved, later saves leave it alone.
  if (meeting_setting_.empty() || sent_or_saved()) return;
  remove();
  window_.clear_subject_and_location();
  if (window_.has_inspector()) window_.replace_body("");
  window_.set_user_property(kClosedProperty, "1");
}

void MeetingTracker::closing() {
  if (!window_.has_item()) return;
  // The window closes on an online meeting that was never sent or saved.
  if (!meeting_setting_.empty() && !sent_or_saved()) remove();
}

bool MeetingTracker::remove() {
  if (!scheduler_.held()) return false;
  if (scheduler_.simple_update() == CallResult::failed) return false;
  scheduler_.set_settings(false, "", window_.read_record());
  // A meeting the service still has keeps its record on the item.
  if (scheduler_.remove() == CallResult::failed) return false;
  scheduler_.mail_body();
  window_.set_user_property(kMeetingProperty, "");
  meeting_setting_ = window_.user_property(kMeetingProperty);
  return true;
}

void MeetingTracker::remove_and_clean_up() {
  if (!window_.has_item()) return;
  if (scheduler_.simple_update() == CallResult::failed) return;
  remove();
  // The text goes whether or not the service let the meeting go.
  window_.clear_subject_and_location();
  if (window_.has_inspector()) window_.replace_body("");
}

void MeetingTracker::store_meeting(const std::string& settings_record) {
  window_.set_user_property(kMeetingProperty, settings_record);
  meeting_setting_ = settings_record;
}

bool MeetingTracker::sent_or_saved() { return !window_.user_property(kClosedProperty).empty(); }

}  // namespace mivo::addin

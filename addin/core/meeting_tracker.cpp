// The tracker's handlers and commands.
#include "meeting_tracker.h"

#include "records/settings_record.h"

namespace mivo::addin {

void MeetingTracker::opened() {
  // A record without an owner was written before the item had an EntryID
  // (a new item's first send) or by an earlier version: it is the item's
  // own, and takes the item's EntryID when the item is next sent or saved
  // (a send: when its window closes).
  const std::string owner = window_.user_property(kOwnerProperty);
  const bool own = owner.empty() || owner == window_.item_id();
  meeting_setting_ = own ? window_.user_property(kMeetingProperty) : std::string();
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
  made_here_ = true;
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
  send_tried_ = true;
  bool cancel = false;
  const bool cancellation = window_.meeting_status() == kMeetingCanceled;
  if (cancellation || !online_meeting_) {
    if (!meeting_setting_.empty()) remove();
  } else if (scheduler_.held()) {
    scheduler_.set_settings(false, "", window_.read_record());
    if (scheduler_.changed()) {
      // The update carries the signed-in user as its host; the invitation
      // must not go out with details the service lacks.
      if (scheduler_.simple_update() == CallResult::failed ||
          scheduler_.commit() == CallResult::failed) {
        cancel = true;
      } else {
        const MailBody mail = scheduler_.mail_body();
        store_meeting(mail.description);
        if (window_.has_inspector()) window_.replace_body(mail.body);
      }
    }
  }
  if (!cancel) {
    keep_meeting();
    sent_here_ = true;
  }
  return cancel;
}

void MeetingTracker::saving() {
  if (meeting_setting_.empty()) return;
  // Once sent (or tried), or saved with the meeting, saves keep it.
  if (sent_or_saved() || send_tried_) {
    keep_meeting();
    return;
  }
  // A first save before the meeting was ever sent takes the online meeting
  // off the appointment. Should the service keep it, the item is saved with
  // its record, and with the invitation, location and subject that go with
  // it, from here on: the meeting is the saved item's, and closing the
  // window must not take it away behind that item's back.
  remove_with_texts(false);
  window_.set_user_property(kClosedProperty, "1");
  made_here_ = false;
}

void MeetingTracker::closing() {
  if (!window_.has_item() || meeting_setting_.empty()) return;
  if (made_here_ || !sent_or_saved()) {
    remove();
    return;
  }
  // A new item's first send wrote the record before Outlook gave the item
  // its EntryID; by the close after the send it has one, and nothing the
  // user typed is pending. Naming it now, before anyone copies the item from
  // the calendar, keeps a copy from acting for this item's meeting. (After
  // anything but a send the window may hold edits the user is discarding:
  // such a record is named at the next send or save instead.)
  if (sent_here_ && claim_record()) window_.save_item();
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
  made_here_ = false;
  return true;
}

void MeetingTracker::remove_and_clean_up() {
  // Without a meeting of its own (none, or another item's record) there is
  // nothing to remove and nothing of the item's to clean up.
  if (!window_.has_item() || meeting_setting_.empty()) return;
  if (scheduler_.simple_update() == CallResult::failed) return;
  remove_with_texts(true);
}

void MeetingTracker::remove_with_texts(bool even_if_kept) {
  records::SettingsRecord written;
  records::read_settings_record(meeting_setting_, written);
  if (!remove() && !even_if_kept) return;
  if (!written.default_subject.empty() && window_.subject() == written.default_subject)
    window_.clear_subject();
  if (!written.location.empty() && window_.location() == written.location)
    window_.clear_location();
  if (window_.has_inspector()) window_.replace_body("");
}

void MeetingTracker::store_meeting(const std::string& settings_record) {
  window_.set_user_property(kMeetingProperty, settings_record);
  window_.set_user_property(kOwnerProperty, window_.item_id());
  meeting_setting_ = settings_record;
}

void MeetingTracker::keep_meeting() {
  if (!sent_or_saved()) window_.set_user_property(kClosedProperty, "1");
  made_here_ = false;
  claim_record();
}

bool MeetingTracker::claim_record() {
  if (meeting_setting_.empty() || !window_.user_property(kOwnerProperty).empty()) return false;
  const std::string id = window_.item_id();
  if (id.empty()) return false;
  window_.set_user_property(kOwnerProperty, id);
  return true;
}

bool MeetingTracker::sent_or_saved() { return !window_.user_property(kClosedProperty).empty(); }

}  // namespace mivo::addin

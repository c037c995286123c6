// What a tracker does for the appointment of one Outlook window: its item's
// Open, Send and Write events, its window's Close, and the appointment
// window's three commands. The online meeting lives in three places kept in
// step here: the scheduler object, the item's "MIVO" user property (the
// meeting settings record) and the invitation text in the body; the item's
// "CLOSE" mark says it was sent or saved once with the meeting, and its
// "MIVOID" says which item the record was made for.
#pragma once

#include <string>

namespace mivo::addin {

// An HRESULT as the handlers tell them apart: S_OK, S_FALSE, a failure.
enum class CallResult { ok, declined, failed };

// Property names and meeting states the handlers read and write.
inline constexpr char kMeetingProperty[] = "MIVO";
inline constexpr char kClosedProperty[] = "CLOSE";
// The EntryID of the item the record was made for ("" when the item had none
// yet). Outlook gives every item its own when it is first saved and a copy a
// new one, while the user properties travel with the copy (Outlook
// developer reference, AppointmentItem.EntryID and AppointmentItem.Copy).
inline constexpr char kOwnerProperty[] = "MIVOID";
inline constexpr int kMeetingCanceled = 5;  // OlMeetingStatus olMeetingCanceled

struct MailBody {
  std::string body;         // the invitation text
  std::string description;  // the meeting settings record
};

// The tracker's scheduler object (IMeetingRequest). Every call answers as
// "failed" or with nothing once the object is gone.
class MeetingSchedulerPort {
 public:
  virtual ~MeetingSchedulerPort() = default;
  virtual bool held() = 0;
  virtual CallResult simple_update() = 0;
  virtual void set_settings(bool item_open, const std::string& settings_record,
                            const std::string& appointment_record) = 0;
  virtual CallResult commit() = 0;
  virtual CallResult remove() = 0;  // Delete
  virtual MailBody mail_body() = 0;
  // GetMeetingInfoChangedFlag: true only for S_OK with a non-zero flag.
  virtual bool changed() = 0;
  virtual void settings_dialog() = 0;
};

// The watched item and its window. Every call does nothing, or answers
// empty, once the item or the window is gone.
class AppointmentWindowPort {
 public:
  virtual ~AppointmentWindowPort() = default;
  virtual bool has_item() = 0;
  virtual bool has_inspector() = 0;
  // The appointment record; "" without an item.
  virtual std::string read_record() = 0;
  virtual std::string user_property(const char* name) = 0;
  virtual void set_user_property(const char* name, const std::string& text) = 0;
  virtual int meeting_status() = 0;
  // The item's EntryID: "" until the item is first saved.
  virtual std::string item_id() = 0;
  // Subject and location, read, and emptied through the tracker's own
  // settings sink.
  virtual std::string subject() = 0;
  virtual std::string location() = 0;
  virtual void clear_subject() = 0;
  virtual void clear_location() = 0;
  // The invitation text after the body, marked by the bookmark.
  virtual void insert_body(const std::string& text) = 0;
  // The bookmarked text replaced ("" removes it), or inserted when missing.
  virtual void replace_body(const std::string& text) = 0;
  // Hands an edit the user has not left yet to Outlook before it is read.
  virtual void commit_edit_fields() = 0;
  // Saves the item (its Write event comes back to the tracker).
  virtual void save_item() = 0;
};

class MeetingTracker {
 public:
  MeetingTracker(AppointmentWindowPort& window, MeetingSchedulerPort& scheduler)
      : window_(window), scheduler_(scheduler) {}

  // The item opened in its window: take up the stored meeting, if any. A
  // record made for another item (a copy, or an item saved from someone
  // else's) is not this item's meeting: it is left in the item, untouched,
  // until an added meeting replaces it.
  void opened();
  // Appointment-window commands.
  void add_meeting();      // Mivo-03_Add
  void cancel_meeting();   // Mivo-03_Cancel
  void meeting_options();  // Mivo-03_Setting
  // The item is being sent; true when the send must be cancelled. A
  // cancelled send does not mark the item as sent.
  bool sending();
  // The item is being saved (never cancelled).
  void saving();
  // The window is closing: a meeting this window made and neither sent nor
  // saved since (a refused send included), or one never sent or saved at
  // all, is removed from the service. After a send, a record written before
  // the item had an EntryID takes it now, and the item is saved with it.
  void closing();

  bool online_meeting() const { return online_meeting_; }
  const std::string& meeting_setting() const { return meeting_setting_; }

 private:
  // The server-side removal; true when the meeting was deleted.
  bool remove();
  void remove_and_clean_up();
  // Removes the meeting and the texts the scheduler wrote for it: the
  // invitation, and the subject and location while they are still what the
  // scheduler put there; what the user typed stays. The texts go also when
  // the service keeps the meeting only when `even_if_kept` (the user's own
  // removal, which the next send tries again).
  void remove_with_texts(bool even_if_kept);
  void store_meeting(const std::string& settings_record);
  // The item keeps its meeting from here on (sent, or saved with it).
  void keep_meeting();
  // Names the item in a record of its own that names none yet; true when it
  // did.
  bool claim_record();
  bool sent_or_saved();

  AppointmentWindowPort& window_;
  MeetingSchedulerPort& scheduler_;
  std::string meeting_setting_;
  bool online_meeting_ = false;
  // This window made the meeting and has neither sent nor saved it since.
  bool made_here_ = false;
  // A send was tried in this window, whether or not it went out: a later
  // save keeps the meeting, as after a send.
  bool send_tried_ = false;
  // A send went out from this window.
  bool sent_here_ = false;
};

}  // namespace mivo::addin

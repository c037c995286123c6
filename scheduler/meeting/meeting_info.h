// CMeetingInfo: the user's draft of one meeting, as the appointment and the
// meeting options dialog give it; the rules the service applies to it; and
// beside it the other two parts of a request's meeting, each with its own
// owner: the Outlook item it belongs to and the service's meeting.
#pragma once

#include <string>
#include <vector>

#include "records/appointment_record.h"
#include "records/settings_record.h"

namespace mivo {

// Why the meeting service would refuse a recurrence (the scheduler shows one
// message for every reason but accepted).
enum class RecurrenceCheck {
  accepted = 0,
  daily_interval_too_long = 1,       // daily pattern repeating every 2 days or more
  no_end_date = 2,                   // the service needs an end
  weekly_interval_out_of_range = 3,  // weekly interval below 0 or above 10
  monthly_or_yearly = 5,             // monthly, yearly and their n-th weekday forms
};

struct ServiceMeeting;

// Texts are UTF-8; dates are OLE Automation dates in local time; durations
// are whole minutes. Copies are plain copies: the draft is all the user's.
class CMeetingInfo {
 public:
  CMeetingInfo();

  // Takes the appointment's subject, start and duration, its first start
  // while this draft's is still 0 (the first non-zero start ever read stays),
  // its recurrence and its recipients, which are appended (clear them first
  // when re-reading). A record that did not parse reads as all defaults.
  void take_appointment(const records::AppointmentRecord& record);
  // The same from a stored meeting settings record, with the mute option
  // and the password;
  // from one that did not parse (`parsed` false) only the recurrence (all
  // defaults) and the recipients (none) are taken.
  void take_settings(const records::SettingsRecord& record, bool parsed);
  // The meeting settings record of this draft for `meeting`.
  records::SettingsRecord settings_record(const ServiceMeeting& meeting) const;

  // True when this (current) draft differs from the snapshot in anything
  // the service would have to be told about: subject, password, duration,
  // start, mute option, the recipients' addresses in their order (names do
  // not count) and the recurrence fields that matter for its pattern type,
  // the pattern dates with two seconds' tolerance. Texts compare exactly.
  bool differs_from(const CMeetingInfo& snapshot) const;

  RecurrenceCheck check_recurrence() const;

  // The start as the conference record and the schedule lookup write it:
  // "%d-%02d-%02d" and "%02d:%02d"; "" for a date out of range.
  std::string start_date_text() const;
  std::string start_time_text() const;

  std::string subject;
  double start = 0;
  double first_start = 0;  // first non-zero start ever read; no start may be earlier
  int duration = 0;        // minutes
  bool mute_on_entry = false;
  std::string password;  // "" or four digits
  // The pattern end as the service ends a pattern: the calendar day of the
  // record's pattern end plus one occurrence (see take_appointment).
  records::Recurrence recurrence;
  // Every recipient but the organiser, in the appointment's order.
  std::vector<records::Recipient> recipients;
};

// The Outlook item the draft was read from, as its appointment record says:
// taken only from a record that parses, and not part of a stored meeting.
struct AppointmentItem {
  std::string message_class;  // kept; nothing reads it
  int recurrence_state = 0;   // Outlook: 0 single, 1 master, 2 occurrence, 3 exception
  // The start as the service has it: the item's when it was opened, then
  // the one each save sent; 0 until then. An occurrence the user moved to
  // another day is still the service's occurrence of this day.
  double service_start = 0;
};

// The meeting as the service knows it.
struct ServiceMeeting {
  std::string meeting_key;    // the service's key; "" until created
  std::string conference_id;  // from the schedule lookup; the delete path
  std::string mail_content;   // invitation text from the last save
  // The host the meeting was made under, as its stored record says; "" for
  // a record from before hosts were kept, until it is sent again.
  std::string host_user_id;
  // What the scheduler wrote into the appointment for this meeting: the
  // default subject it made and the address it put into the location ("" when
  // it wrote none).
  std::string default_subject;
  std::string location;
};

}  // namespace mivo

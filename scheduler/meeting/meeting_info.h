// CMeetingInfo: the scheduler's record of one meeting, its JSON exchange
// records with the add-in, and the conference record sent to the service.
#pragma once

#include <string>
#include <string_view>

#include "recurring_info.h"

namespace mivo {

// A sign-in token as it may travel in the "token:" header: printable ASCII
// only (an empty text is no token). Anything else, line breaks above all,
// would add request headers of its own; such a token is refused as
// malformed wherever it comes from.
bool is_well_formed_token(std::string_view token);

// What a record reader made of its text.
enum class RecordRead {
  read,         // parsed, every member of the expected type
  wrong_types,  // parsed; members of an unexpected type read as missing
  unparsable,   // not JSON: read as an empty document (see the reader)
  skipped,      // two characters or fewer: no record, nothing changed
};

// Texts are UTF-8; dates are OLE Automation dates in local time; durations
// are whole minutes. Every field starts at 0, false or "".
class CMeetingInfo {
 public:
  CMeetingInfo() = default;
  CMeetingInfo(const CMeetingInfo&) = default;
  CMeetingInfo& operator=(const CMeetingInfo&) = default;
  virtual ~CMeetingInfo() = default;

  // Reads the add-in's appointment record. A text of two UTF-16 characters or
  // fewer is no record and changes nothing. Text that does not parse still
  // sets subject, duration and start to ""/0 and reads the recurrence part
  // from an empty document; the message class and recurrence state change
  // only when it parses. The first start is taken only while it is still 0.
  // Recipients are appended (empty them first with clear_recipients() when
  // re-reading). A member of the wrong type reads as if it were missing.
  RecordRead read_appointment_record(std::string_view json);

  // Reads a meeting settings record written by write_settings_record(). Same
  // rules, except that text that does not parse leaves meeting key, subject,
  // duration, start, first start and mute option as they were.
  RecordRead read_settings_record(std::string_view json);

  // The meeting settings record the add-in keeps with the appointment.
  std::string write_settings_record() const;

  // Takes over what the user controls: meeting key, subject, duration, start,
  // mute option, password and the whole recurrence part; the first start only
  // while this record's is still 0. Server- and sign-in state stays.
  void copy_from(const CMeetingInfo& source);

  // True when this (current) record differs from the snapshot in anything
  // the service would have to be told about. Texts compare as exact text.
  bool differs_from(const CMeetingInfo& snapshot) const;

  RecurrenceCheck check_recurrence() const { return recurrence.check(); }

  // The JSON body of a schedule save. An empty subject first becomes the host
  // user name followed by `default_subject_suffix` (string 111 of the resource
  // library; "" when it is missing), and stays so in this record.
  std::string build_conference_record(std::string_view default_subject_suffix);

  // Takes the host fields, token and personal meeting key from a user
  // information response. Returns false (the call failed) when "code" is not
  // 0 -- the values are stored all the same. Text that does not parse changes
  // nothing and counts as success. A response with a member of the wrong type
  // ("code" not a number, "data" not an object, a text member an object or an
  // array) or a token that is not well formed changes nothing and counts as a
  // failure: no half-read or unsafe token is stored.
  bool read_user_info_response(std::string_view response);

  // The start as the conference record and the schedule lookup write it:
  // "%d-%02d-%02d" and "%02d:%02d"; "" for a date out of range.
  std::string start_date_text() const;
  std::string start_time_text() const;

  bool mute_on_entry = false;        // participants enter muted
  std::string meeting_key;           // the service's key; "" until created
  std::string personal_meeting_key;  // the user's own meeting room (join link)
  std::string token;                 // sign-in token for the "token:" header
  std::string mail_content;          // invitation text from the last save
  std::string subject;
  std::string conference_id;  // from the schedule lookup; delete path
  std::string password;       // "" or four digits
  std::string message_class;  // kept from the appointment; unused
  int recurrence_state = 0;   // Outlook: 0 single, 1 master, 2 occurrence, 3 exception
  std::string host_user_id;
  std::string host_user_name;
  int duration = 0;  // minutes
  double start = 0;
  double first_start = 0;  // first non-zero start ever read
  CRecurringInfo recurrence;
};

}  // namespace mivo

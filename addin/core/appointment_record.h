// The appointment record the add-in hands to the scheduler's SetSettings:
// what the reader took from an Outlook appointment, written as the compact
// JSON the scheduler reads.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace mivo::addin {

struct AppointmentRecipient {
  std::string address;  // SMTP address, UTF-8
  std::string name;
};

// An appointment's recurrence pattern, Outlook's own numbering.
struct AppointmentRecurrence {
  double meeting_start = 0;  // the appointment's start, read again for the pattern
  int day_of_month = 0;
  int day_of_week_mask = 0;
  int duration = 0;  // minutes
  int interval = 0;
  int month_of_year = 0;
  bool no_end_date = false;
  double pattern_end = 0;
  double pattern_start = 0;
  int recurrence_type = 0;
  int instance = 0;
  int occurrences = 0;
};

// Values as Outlook gave them; dates are OLE Automation dates.
struct AppointmentValues {
  std::string subject;
  double start = 0;
  double end = 0;
  int duration = 0;  // minutes
  bool is_recurring = false;
  std::string message_class;
  int recurrence_state = 0;
  // Every recipient after the first one of the collection that has an
  // address, in collection order.
  std::vector<AppointmentRecipient> recipients;
  // Read only for a recurring appointment; a recurring one whose pattern
  // could not be read writes zeros.
  std::optional<AppointmentRecurrence> recurrence;
};

// Outlook's message class as the record keeps it: its first 13 UTF-16
// characters ("IPM.Appointment" becomes "IPM.Appointme").
std::string record_message_class(const std::string& message_class);

// The record: "Subject", "OrStart" and "Start" (both the start), "End",
// "Duration", "IsRecurring", "MsgClass", "recurrenceState", "Recipients"
// (always present) and, for a recurring appointment, "Recurring".
std::string write_appointment_record(const AppointmentValues& values);

}  // namespace mivo::addin

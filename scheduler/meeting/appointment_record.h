// The appointment record: what the add-in writes from an Outlook appointment
// and hands to SetSettings, read back by CMeetingInfo::read_appointment_record.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace mivo {

struct AppointmentRecipient {
  std::string address;  // SMTP address
  std::string name;     // display name
};

// Outlook's recurrence pattern, in Outlook's own numbering.
struct AppointmentRecurrence {
  int type = 0;  // 0 daily, 1 weekly, 2 monthly, 3 monthly on the n-th weekday, 5 and 6 yearly
  int interval = 0;
  int day_of_week_mask = 0;  // 1 Sunday ... 64 Saturday
  int day_of_month = 0;
  int month_of_year = 0;
  int instance = 0;  // n-th weekday of the month, 5 = last
  int duration = 0;  // minutes of one occurrence
  double pattern_start = 0;
  double pattern_end = 0;
  bool no_end_date = false;
  int occurrences = 0;
};

// Texts are UTF-8, dates OLE Automation dates in local time, durations
// whole minutes.
struct AppointmentRecord {
  std::string subject;
  double start = 0;
  // "OrStart": the add-in writes the start itself; a different value stands
  // for a record written when the appointment started elsewhere.
  std::optional<double> first_start;
  double end = 0;
  int duration = 0;
  std::string message_class;  // written cut to its first 13 UTF-16 units
  int recurrence_state = 0;   // 0 single, 1 master, 2 occurrence, 3 exception
  // Every recipient but the first of Outlook's collection (the organiser).
  std::vector<AppointmentRecipient> recipients;
  // Set for a recurring appointment: "IsRecurring" 1 and the "Recurring"
  // object; else "IsRecurring" 0 and no such object.
  std::optional<AppointmentRecurrence> recurrence;
};

// Compact JSON (members in key order, non-ASCII escaped, one line feed), with
// "Recipients" always present.
std::string write_appointment_record(const AppointmentRecord& record);

}  // namespace mivo

// The appointment record: what the add-in writes from an Outlook appointment
// and hands to the scheduler's SetSettings.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "records/record_parts.h"

namespace mivo::records {

struct AppointmentRecord {
  std::string subject;
  double start = 0;
  // "OrStart": written as the start when not set, as the add-in writes it;
  // a reader always sets it (0 when the member is missing).
  std::optional<double> first_start;
  double end = 0;
  int duration = 0;
  std::string message_class;  // written cut to its first 13 UTF-16 units
  int recurrence_state = 0;   // Outlook: 0 single, 1 master, 2 occurrence, 3 exception
  // Every recipient but the first of Outlook's collection (the organiser).
  std::vector<Recipient> recipients;
  // "IsRecurring" and, for a recurring appointment, the "Recurring" object
  // (with the start as its "MeetingStart" and "Start").
  Recurrence recurrence;
};

// Compact JSON (members in key order, non-ASCII escaped, one line feed), with
// "Recipients" always present.
std::string write_appointment_record(const AppointmentRecord& record);

// Reads `text` into `record`, which should start empty. A member that is
// missing, or of a type that does not convert, reads as its default. Text
// that is no record leaves `record` alone; text that does not parse reads as
// an empty document.
RecordRead read_appointment_record(std::string_view text, AppointmentRecord& record);

}  // namespace mivo::records

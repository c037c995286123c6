// The appointment record: what the add-in writes from an Outlook appointment
// and hands to the scheduler's SetSettings.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "records/record_parts.h"

namespace mivo::records {

// The recipients are every recipient but the first of Outlook's collection
// (the organiser); a recurring appointment's "Recurring" object also has the
// start as its "MeetingStart" and "Start". "OrStart" is written as the start
// while the first start is 0, as the add-in writes it.
struct AppointmentRecord : SharedParts {
  double end = 0;
  std::string message_class;  // written cut to its first 13 UTF-16 units
  int recurrence_state = 0;   // Outlook: 0 single, 1 master, 2 occurrence, 3 exception
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

// What the appointment record and the meeting settings record share: the
// recipient, the recurrence, how a read went, and the rule that a text of
// two characters or fewer is no record.
#pragma once

#include <json/value.h>

#include "portable/json.h"

#include <string>
#include <string_view>
#include <vector>

namespace mivo::records {

// Texts are UTF-8; dates are OLE Automation dates in local time; durations
// are whole minutes.
struct Recipient {
  std::string address;  // SMTP address ("MailAddr")
  std::string name;     // display name ("Name")
};

// Outlook's recurrence pattern types, as the records carry them.
enum PatternType : int {
  pattern_daily = 0,
  pattern_weekly = 1,
  pattern_monthly = 2,
  pattern_monthly_nth = 3,
  pattern_yearly = 5,
  pattern_yearly_nth = 6,
};

// Outlook's day-of-week bits.
enum DayBits : int {
  day_sunday = 1,
  day_monday = 2,
  day_tuesday = 4,
  day_wednesday = 8,
  day_thursday = 16,
  day_friday = 32,
  day_saturday = 64,
};

// "IsRecurring" and the "Recurring" object, in Outlook's own numbering. A
// record without the object reads as every pattern field 0.
struct Recurrence {
  bool recurring = false;  // the meeting repeats ("IsRecurring")
  int pattern_type = 0;    // PatternType; other values pass through
  double pattern_start_date = 0;
  double pattern_end_date = 0;  // the last day, as the record carries it
  int occurrences = 0;
  bool no_end_date = false;
  int interval = 0;          // every n days, weeks, months or years
  int instance = 0;          // n-th weekday of the month; 5 = the last
  int day_of_week_mask = 0;  // DayBits
  int day_of_month = 0;
  int month_of_year = 0;
  int duration = 0;  // minutes of one occurrence
};

// What both records carry: the meeting's subject and times, its recipients
// and its recurrence.
struct SharedParts {
  std::string subject;
  double start = 0;
  double first_start = 0;  // "OrStart": the first start ever read for the meeting
  int duration = 0;
  std::vector<Recipient> recipients;
  Recurrence recurrence;
};

// How a reader took its text.
enum class RecordRead {
  read,         // parsed, every member of the expected type
  wrong_types,  // parsed; members of an unexpected type read as missing
  unparsable,   // not JSON: read as an empty document, every value a default
  skipped,      // two characters or fewer: no record, nothing read
};

// Anything this short ("", "{}", a stray "0") stands for no record; the
// length counts UTF-16 units, as the COM strings that carry the records do.
bool is_no_record(std::string_view text);

// Whether the reader found a record that parsed.
inline bool parsed(RecordRead read) {
  return read == RecordRead::read || read == RecordRead::wrong_types;
}

namespace detail {

// The shared parts as JSON members of `record`: "Subject", "Start",
// "OrStart" (`first_start`), "Duration", "Recipients" (always when
// `always_list_recipients`, else only when there are some), "IsRecurring"
// and, for a recurring meeting, the "Recurring" object.
void write_shared_parts(const SharedParts& parts, double first_start, bool always_list_recipients,
                        Json::Value& record);

// Reads a record: nothing from text that is no record; else the shared
// parts and, through `read_own(reader)`, the record's own members, from the
// parsed text or, when it does not parse, from an empty document.
template <class ReadOwn>
RecordRead read_record(std::string_view text, SharedParts& parts, ReadOwn read_own);

RecordRead parse_record(std::string_view text, Json::Value& root);
RecordRead read_shared_parts(RecordRead parse, JsonObjectReader& reader, SharedParts& parts);

template <class ReadOwn>
RecordRead read_record(std::string_view text, SharedParts& parts, ReadOwn read_own) {
  Json::Value root;
  const RecordRead parse = parse_record(text, root);
  if (parse == RecordRead::skipped) return parse;
  JsonObjectReader reader(root);
  read_own(reader);
  return read_shared_parts(parse, reader, parts);
}

}  // namespace detail

}  // namespace mivo::records

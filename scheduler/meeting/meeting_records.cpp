// The JSON records exchanged with the add-in: the appointment record it
// writes from Outlook and the meeting settings record it keeps for us.
#include "meeting_info.h"

#include "portable/json.h"
#include "portable/oadate.h"
#include "portable/text.h"

namespace mivo {
namespace {

// Anything this short (e.g. "", "{}" or a stray "0") stands for no record.
bool is_no_record(std::string_view json) { return utf16_length(json) <= 2; }

// The service ends a pattern on a date: keep the calendar day of the last
// occurrence and move to where that occurrence ends, so an occurrence of a
// day or longer ends on the day after. A date outside the calendar's range is
// kept as it was read.
double adjusted_pattern_end(double pattern_end, int occurrence_minutes) {
  SystemTime day;
  double midnight = 0;
  if (!variant_time_to_system_time(pattern_end, day)) {
    return pattern_end;
  }
  day.hour = 0;
  day.minute = 0;
  day.second = 0;
  day.milliseconds = 0;
  if (!system_time_to_variant_time(day, midnight)) {
    return pattern_end;
  }
  return midnight + occurrence_minutes / 24.0 / 60.0;
}

// The part both records share: recipients and recurrence. Returns whether a
// member had a wrong type.
bool read_recurrence_part(const Json::Value& root, CRecurringInfo& recurrence) {
  JsonObjectReader record(root);
  bool wrong_type = false;
  for (const Json::Value& recipient : record.array("Recipients")) {
    JsonObjectReader entry(recipient);
    recurrence.recipient_addresses.push_back(entry.text("MailAddr"));
    recurrence.recipient_names.push_back(entry.text("Name"));
    wrong_type = wrong_type || entry.met_wrong_type();
  }
  recurrence.recurring = record.flag("IsRecurring");
  JsonObjectReader pattern(record.object("Recurring"));
  recurrence.day_of_month = pattern.integer("DayOfMonth");
  recurrence.day_of_week_mask = pattern.integer("DayOfWeekMask");
  recurrence.duration = pattern.integer("Duration");
  recurrence.interval = pattern.integer("Interval");
  recurrence.month_of_year = pattern.integer("MonthOfYear");
  recurrence.pattern_type = pattern.integer("RecurrenceType");
  recurrence.instance = pattern.integer("Instance");
  recurrence.occurrences = pattern.integer("Occurrences");
  recurrence.no_end_date = pattern.flag("NoEndDate");
  recurrence.pattern_start_date = pattern.real("PatternStartDate");
  recurrence.pattern_end_date =
      adjusted_pattern_end(pattern.real("PatternEndDate"), recurrence.duration);
  return wrong_type || record.met_wrong_type() || pattern.met_wrong_type();
}

// The members both records carry for the meeting itself. The first start
// ever read stays: later starts move the meeting, the first one bounds it.
void read_subject_and_times(JsonObjectReader& record, CMeetingInfo& meeting) {
  meeting.subject = record.text("Subject");
  meeting.duration = record.integer("Duration");
  meeting.start = record.real("Start");
  const double candidate_first_start = record.real("OrStart");
  if (meeting.first_start == 0) {
    meeting.first_start = candidate_first_start;
  }
}

// What both readers share: no record in a text this short; the record's own
// members by `read_own(record, parsed)`; then the recurrence part, also
// when the text did not parse.
template <class ReadOwn>
RecordRead read_record(std::string_view json, CRecurringInfo& recurrence, ReadOwn read_own) {
  if (is_no_record(json)) {
    return RecordRead::skipped;
  }
  Json::Value root;
  const bool parsed = parse_json(json, root);
  JsonObjectReader record(root);
  read_own(record, parsed);
  const bool wrong_type = read_recurrence_part(root, recurrence);
  if (!parsed) {
    return RecordRead::unparsable;
  }
  return wrong_type || record.met_wrong_type() ? RecordRead::wrong_types : RecordRead::read;
}

}  // namespace

RecordRead CMeetingInfo::read_appointment_record(std::string_view json) {
  return read_record(json, recurrence, [this](JsonObjectReader& record, bool parsed) {
    read_subject_and_times(record, *this);
    if (parsed) {
      message_class = record.text("MsgClass");
      recurrence_state = record.integer("recurrenceState");
    }
  });
}

RecordRead CMeetingInfo::read_settings_record(std::string_view json) {
  return read_record(json, recurrence, [this](JsonObjectReader& record, bool parsed) {
    if (parsed) {
      meeting_key = record.text("MeetingKey");
      read_subject_and_times(record, *this);
      mute_on_entry = record.flag("enterMeetMute");
    }
  });
}

std::string CMeetingInfo::write_settings_record() const {
  Json::Value record(Json::objectValue);
  record["Subject"] = subject;
  record["Start"] = start;
  record["OrStart"] = first_start;
  record["Duration"] = duration;
  record["IsRecurring"] = recurrence.recurring ? 1 : 0;
  record["enterMeetMute"] = mute_on_entry;
  record["MeetingKey"] = meeting_key;
  if (recurrence.recurring) {
    Json::Value& pattern = record["Recurring"];
    pattern["IsRecurring"] = 1;
    pattern["RecurrenceType"] = recurrence.pattern_type;
    pattern["Interval"] = recurrence.interval;
    pattern["DayOfWeekMask"] = recurrence.day_of_week_mask;
    pattern["DayOfMonth"] = recurrence.day_of_month;
    pattern["MonthOfYear"] = recurrence.month_of_year;
    pattern["Instance"] = recurrence.instance;
    pattern["Duration"] = recurrence.duration;
    pattern["Occurrences"] = recurrence.occurrences;
    pattern["NoEndDate"] = recurrence.no_end_date ? 1 : 0;
    pattern["PatternStartDate"] = recurrence.pattern_start_date;
    pattern["PatternEndDate"] = recurrence.pattern_end_date;
  }
  const auto& addresses = recurrence.recipient_addresses;
  const auto& names = recurrence.recipient_names;
  for (std::size_t i = 0; i < addresses.size(); ++i) {
    Json::Value recipient(Json::objectValue);
    recipient["MailAddr"] = addresses[i];
    recipient["Name"] = i < names.size() ? names[i] : std::string();
    record["Recipients"].append(std::move(recipient));
  }
  return write_json(record);
}

}  // namespace mivo

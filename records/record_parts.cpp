// The recipients and the recurrence both records carry, and the no-record
// rule.
#include "record_parts.h"

#include "portable/json.h"
#include "portable/text.h"

namespace mivo::records {

bool is_no_record(std::string_view text) { return utf16_length(text) <= 2; }

namespace detail {

void write_shared_parts(const SharedParts& parts, double first_start, bool always_list_recipients,
                        Json::Value& record) {
  record["Subject"] = parts.subject;
  record["Start"] = parts.start;
  record["OrStart"] = first_start;
  record["Duration"] = parts.duration;
  if (always_list_recipients) record["Recipients"] = Json::Value(Json::arrayValue);
  for (const Recipient& recipient : parts.recipients) {
    Json::Value entry(Json::objectValue);
    entry["MailAddr"] = recipient.address;
    entry["Name"] = recipient.name;
    record["Recipients"].append(std::move(entry));
  }
  const Recurrence& recurrence = parts.recurrence;
  record["IsRecurring"] = recurrence.recurring ? 1 : 0;
  if (!recurrence.recurring) return;
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

RecordRead read_shared_parts(RecordRead parse, JsonObjectReader& record, SharedParts& parts) {
  parts.subject = record.text("Subject");
  parts.duration = record.integer("Duration");
  parts.start = record.real("Start");
  parts.first_start = record.real("OrStart");
  std::vector<Recipient>& recipients = parts.recipients;
  Recurrence& recurrence = parts.recurrence;
  bool wrong_type = false;
  for (const Json::Value& element : record.array("Recipients")) {
    JsonObjectReader entry(element);
    Recipient recipient;
    recipient.address = entry.text("MailAddr");
    recipient.name = entry.text("Name");
    recipients.push_back(std::move(recipient));
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
  recurrence.pattern_end_date = pattern.real("PatternEndDate");
  if (parse == RecordRead::unparsable) return parse;
  wrong_type = wrong_type || record.met_wrong_type() || pattern.met_wrong_type();
  return wrong_type ? RecordRead::wrong_types : RecordRead::read;
}

RecordRead parse_record(std::string_view text, Json::Value& root) {
  if (is_no_record(text)) return RecordRead::skipped;
  return parse_json(text, root) ? RecordRead::read : RecordRead::unparsable;
}

}  // namespace detail

}  // namespace mivo::records

// The conference record: the JSON body that creates or updates a meeting on
// the service.
#include "conference_record.h"

#include "portable/json.h"
#include "portable/oadate.h"

namespace mivo {
namespace {

using records::day_friday;
using records::day_monday;
using records::day_saturday;
using records::day_sunday;
using records::day_thursday;
using records::day_tuesday;
using records::day_wednesday;

// The service numbers days 1 Monday to 7 Sunday; listed in that order.
struct ServiceDay {
  int bit;
  const char* number;
};
constexpr ServiceDay kServiceDays[] = {
    {day_monday, "1"}, {day_tuesday, "2"},  {day_wednesday, "3"}, {day_thursday, "4"},
    {day_friday, "5"}, {day_saturday, "6"}, {day_sunday, "7"},
};
constexpr int kAllDays = 0x7F;

// Service "type" values.
enum ConferenceType : int {
  conference_single = 0,
  conference_daily = 1,
  conference_every_weekday = 2,  // also a weekly pattern without interval
  conference_weekly = 3,
  conference_monthly_nth = 4,
};

std::string weekly_days(int mask) {
  std::string days;
  for (const ServiceDay& day : kServiceDays) {
    if (mask & day.bit) {
      if (!days.empty()) {
        days += ',';
      }
      days += day.number;
    }
  }
  return days;
}

// One day only: the last one set in Monday-to-Sunday order.
std::string monthly_day(int mask) {
  const char* number = "";
  for (const ServiceDay& day : kServiceDays) {
    if (mask & day.bit) {
      number = day.number;
    }
  }
  return number;
}

void add_recurrence(const records::Recurrence& recurrence, Json::Value& record) {
  if (!recurrence.recurring) {
    record["type"] = conference_single;
    return;
  }
  switch (recurrence.pattern_type) {
    case records::pattern_daily:
      record["type"] =
          recurrence.day_of_week_mask > 0 ? conference_every_weekday : conference_daily;
      break;
    case records::pattern_weekly:
      if (recurrence.interval == 0) {
        record["type"] = conference_every_weekday;
      } else {
        record["type"] = conference_weekly;
        record["weeklyDayOfWeek"] = weekly_days(recurrence.day_of_week_mask);
      }
      break;
    case records::pattern_monthly_nth:
      record["type"] = conference_monthly_nth;
      if (recurrence.day_of_week_mask & kAllDays) {
        record["monthlyDayOfWeek"] = monthly_day(recurrence.day_of_week_mask);
      }
      if (recurrence.instance >= 1 && recurrence.instance <= 4) {
        record["monthlyWeekOfMonth"] = std::to_string(recurrence.instance);
      } else if (recurrence.instance == 5) {
        record["monthlyWeekOfMonth"] = "-1";  // the last week
      }
      break;
    default:
      break;
  }
  record["endDate"] = format_date(recurrence.pattern_end_date);
  record["freqInterval"] = recurrence.interval;
}

}  // namespace

std::string build_conference_record(CMeetingInfo& draft, const ServiceMeeting& meeting,
                                    const ConferenceHost& host,
                                    std::string_view default_subject_suffix) {
  if (draft.subject.empty()) {
    draft.subject = host.user_name;
    draft.subject += default_subject_suffix;
  }
  Json::Value record(Json::objectValue);
  record["subject"] = draft.subject;
  record["startDate"] = draft.start_date_text();
  record["startTime"] = draft.start_time_text();
  record["duration"] = draft.duration;
  for (const records::Recipient& recipient : draft.recipients) {
    Json::Value participant(Json::objectValue);
    participant["mail"] = recipient.address;
    participant["name"] = recipient.name;
    record["participantList"].append(std::move(participant));
  }
  record["allowParticipantOpenAudio"] = true;
  record["allowParticipantOpenVideo"] = true;
  record["enterMeetMute"] = draft.mute_on_entry;
  record["outlook"] = true;
  record["hostUserId"] = std::string(host.user_id);
  record["hostUserName"] = std::string(host.user_name);
  if (!draft.password.empty()) {
    record["password"] = draft.password;
  }
  record["notification"] = 0;
  if (!meeting.meeting_key.empty()) {
    record["conferenceId"] = meeting.conference_id;
    record["meetingKey"] = meeting.meeting_key;
  }
  add_recurrence(draft.recurrence, record);
  return write_json(record);
}

}  // namespace mivo

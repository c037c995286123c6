// Tests of the conference record, pinned as exact JSON texts.
#include "conference_record.h"

#include "portable/oadate.h"

#include <gtest/gtest.h>

namespace mivo {
namespace {

using namespace records;

double local_time(int year, int month, int day, int hour = 0, int minute = 0) {
  double date = 0;
  EXPECT_TRUE(system_time_to_variant_time({year, month, 0, day, hour, minute, 0, 0}, date));
  return date;
}

// A draft for the service's meeting, hosted by "Ann".
struct Meeting : CMeetingInfo {
  std::string build_conference_record(std::string_view suffix) {
    return mivo::build_conference_record(*this, service, {host_id, host_name}, suffix);
  }
  ServiceMeeting service;
  std::string host_id = "u1";
  std::string host_name = "Ann";
};

// 2021-03-07 09:05 for 30 minutes.
Meeting meeting() {
  Meeting m;
  m.subject = "Plan";
  m.start = local_time(2021, 3, 7, 9, 5);
  m.duration = 30;
  return m;
}

// A single meeting's record: the members it always carries, with the ones
// that sort before and after the host members.
std::string record(const std::string& before_host, const std::string& after_host) {
  return R"({"allowParticipantOpenAudio":true,"allowParticipantOpenVideo":true,)" + before_host +
         R"("hostUserId":"u1","hostUserName":"Ann",)" + after_host + "}\n";
}

Meeting recurring(int pattern_type, int interval, int mask, int instance = 0) {
  Meeting m = meeting();
  m.recurrence.recurring = true;
  m.recurrence.pattern_type = pattern_type;
  m.recurrence.interval = interval;
  m.recurrence.day_of_week_mask = mask;
  m.recurrence.instance = instance;
  m.recurrence.pattern_end_date = local_time(2021, 3, 31, 9, 35);
  return m;
}

const char kSingleTail[] =
    R"("notification":0,"outlook":true,"startDate":"2021-03-07","startTime":"09:05",)"
    R"("subject":"Plan","type":0)";

TEST(ConferenceRecord, SingleMeetingCarriesDateTimeDurationAndTypeZero) {
  EXPECT_EQ(record(R"("duration":30,"enterMeetMute":false,)", kSingleTail),
            meeting().build_conference_record(" meeting"));
}

TEST(ConferenceRecord, MeetingKeyPasswordMuteAndParticipantsAppearWhenSet) {
  Meeting m = meeting();
  m.service.meeting_key = "mk-1";
  m.service.conference_id = "c-9";
  m.password = "0042";
  m.mute_on_entry = true;
  m.recipients = {{"zoe@example.com", "Zo\xC3\xAB"}, {"li@example.com", "\xE6\x9D\x8E"}};
  EXPECT_EQ(record(R"("conferenceId":"c-9","duration":30,"enterMeetMute":true,)",
                   R"("meetingKey":"mk-1","notification":0,"outlook":true,)"
                   R"("participantList":[{"mail":"zoe@example.com","name":"Zo\u00eb"},)"
                   R"({"mail":"li@example.com","name":"\u674e"}],"password":"0042",)"
                   R"("startDate":"2021-03-07","startTime":"09:05","subject":"Plan","type":0)"),
            m.build_conference_record(""));
}

TEST(ConferenceRecord, AConferenceIdWithoutMeetingKeyIsNotSent) {
  Meeting m = meeting();
  m.service.conference_id = "c-9";
  EXPECT_EQ(record(R"("duration":30,"enterMeetMute":false,)", kSingleTail),
            m.build_conference_record(""));
}

// Every recurring record has the same members around its kind.
std::string recurring_record(int interval, const std::string& monthly, const std::string& kind) {
  return R"({"allowParticipantOpenAudio":true,"allowParticipantOpenVideo":true,)"
         R"("duration":30,"endDate":"2021-03-31","enterMeetMute":false,"freqInterval":)" +
         std::to_string(interval) + R"(,"hostUserId":"u1","hostUserName":"Ann",)" + monthly +
         R"("notification":0,"outlook":true,"startDate":"2021-03-07","startTime":"09:05",)"
         R"("subject":"Plan")" +
         kind + "}\n";
}

TEST(ConferenceRecord, RecurrenceMapsOntoTheServiceTypes) {
  const struct {
    const char* what;
    Meeting meeting;
    std::string expected;
  } cases[] = {
      {"weekly on Saturday and Sunday", recurring(pattern_weekly, 1, day_sunday | day_saturday),
       recurring_record(1, "", R"(,"type":3,"weeklyDayOfWeek":"6,7")")},
      {"every two weeks on Monday, Wednesday, Friday",
       recurring(pattern_weekly, 2, day_monday | day_wednesday | day_friday),
       recurring_record(2, "", R"(,"type":3,"weeklyDayOfWeek":"1,3,5")")},
      {"weekly without days", recurring(pattern_weekly, 1, 0),
       recurring_record(1, "", R"(,"type":3,"weeklyDayOfWeek":"")")},
      {"weekly without interval", recurring(pattern_weekly, 0, day_monday),
       recurring_record(0, "", R"(,"type":2)")},
      {"daily on weekdays", recurring(pattern_daily, 0, 62),
       recurring_record(0, "", R"(,"type":2)")},
      {"daily", recurring(pattern_daily, 1, 0), recurring_record(1, "", R"(,"type":1)")},
      {"monthly on the last Friday", recurring(pattern_monthly_nth, 1, day_friday, 5),
       recurring_record(1, R"("monthlyDayOfWeek":"5","monthlyWeekOfMonth":"-1",)", R"(,"type":4)")},
      {"monthly on the second Sunday and Monday: Sunday, last in Monday-first order",
       recurring(pattern_monthly_nth, 2, day_sunday | day_monday, 2),
       recurring_record(2, R"("monthlyDayOfWeek":"7","monthlyWeekOfMonth":"2",)", R"(,"type":4)")},
      {"monthly without day or week", recurring(pattern_monthly_nth, 1, 0, 6),
       recurring_record(1, "", R"(,"type":4)")},
      {"yearly: no type", recurring(pattern_yearly, 1, 0), recurring_record(1, "", "")},
      {"unknown kind: no type", recurring(9, 3, 0), recurring_record(3, "", "")},
  };
  for (auto c : cases) {
    EXPECT_EQ(c.expected, c.meeting.build_conference_record("")) << c.what;
  }
}

TEST(ConferenceRecord, EndDateFollowsTheOccurrenceLengthAsRead) {
  Meeting m = meeting();
  AppointmentRecord appointment;
  ASSERT_EQ(RecordRead::read,
            read_appointment_record(
                R"({"Subject":"Plan","Start":44262.378472222219,"Duration":30,"IsRecurring":1,)"
                R"("Recurring":{"RecurrenceType":0,"Interval":1,"DayOfWeekMask":0,"Duration":1500,)"
                R"("PatternEndDate":44286.0}})",
                appointment));
  m.take_appointment(appointment);
  const std::string text = m.build_conference_record("");
  EXPECT_NE(std::string::npos, text.find(R"("endDate":"2021-04-01")")) << text;
  EXPECT_NE(std::string::npos, text.find(R"("startTime":"09:05")")) << text;
}

TEST(ConferenceRecord, EmptySubjectBecomesHostNameAndSuffixAndStays) {
  Meeting m = meeting();
  m.subject.clear();
  const std::string suffix = "\xE7\x9A\x84\xE4\xBC\x9A\xE8\xAE\xAE";
  EXPECT_NE(std::string::npos,
            m.build_conference_record(suffix).find(R"("subject":"Ann\u7684\u4f1a\u8bae")"));
  EXPECT_EQ("Ann" + suffix, m.subject);
  m.build_conference_record("ignored now");
  EXPECT_EQ("Ann" + suffix, m.subject);

  Meeting nameless = meeting();
  nameless.subject.clear();
  nameless.host_name.clear();
  nameless.build_conference_record("'s meeting");
  EXPECT_EQ("'s meeting", nameless.subject);

  Meeting no_suffix = meeting();
  no_suffix.subject.clear();
  no_suffix.build_conference_record("");
  EXPECT_EQ("Ann", no_suffix.subject);
}

}  // namespace
}  // namespace mivo

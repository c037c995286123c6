// What the draft takes from the records: the first start that stays, the
// pattern end moved to the end of the last occurrence, recipients appended,
// and what a stored record that does not parse leaves alone.
#include "meeting_info.h"

#include "portable/oadate.h"

#include <gtest/gtest.h>

namespace mivo {
namespace {

using records::RecordRead;

// 2021-03-07 09:00, and the last day of a pattern, 2021-03-31.
constexpr double kMarch7At9 = 44262.375;
constexpr double kMarch31 = 44286.0;

const char kWeeklyAppointment[] = R"({
  "Subject": "Weekly sync", "OrStart": 44262.375, "Start": 44262.375, "End": 44262.416666666664,
  "Duration": 60, "IsRecurring": 1, "MsgClass": "IPM.Appointme", "recurrenceState": 1,
  "Recipients": [{"MailAddr": "ann@example.com", "Name": "Ann"},
                 {"MailAddr": "bob@example.com", "Name": "Bob"}],
  "Recurring": {"MeetingStart": 44262.375, "Start": 44262.375, "IsRecurring": 1,
                "RecurrenceType": 1, "Interval": 2, "DayOfWeekMask": 65, "DayOfMonth": 7,
                "MonthOfYear": 3, "Instance": 1, "Duration": 60,
                "PatternStartDate": 44262.0, "PatternEndDate": 44286.0, "NoEndDate": 0,
                "Occurrences": 4}
})";

void take_appointment(CMeetingInfo& draft, std::string_view text) {
  records::AppointmentRecord record;
  ASSERT_NE(RecordRead::skipped, records::read_appointment_record(text, record));
  draft.take_appointment(record);
}

void take_settings(CMeetingInfo& draft, std::string_view text) {
  records::SettingsRecord record;
  const RecordRead read = records::read_settings_record(text, record);
  ASSERT_NE(RecordRead::skipped, read);
  draft.take_settings(record, records::parsed(read));
}

std::vector<std::string> addresses(const CMeetingInfo& draft) {
  std::vector<std::string> list;
  for (const records::Recipient& r : draft.recipients) list.push_back(r.address);
  return list;
}

TEST(DraftFromAppointment, TakesSubjectTimesRecurrenceAndRecipients) {
  CMeetingInfo draft;
  take_appointment(draft, kWeeklyAppointment);
  EXPECT_EQ("Weekly sync", draft.subject);
  EXPECT_EQ(60, draft.duration);
  EXPECT_EQ(kMarch7At9, draft.start);
  EXPECT_EQ(kMarch7At9, draft.first_start);
  EXPECT_TRUE(draft.recurrence.recurring);
  EXPECT_EQ(records::pattern_weekly, draft.recurrence.pattern_type);
  EXPECT_EQ(65, draft.recurrence.day_of_week_mask);
  EXPECT_EQ(4, draft.recurrence.occurrences);
  EXPECT_EQ((std::vector<std::string>{"ann@example.com", "bob@example.com"}), addresses(draft));
  EXPECT_EQ("Bob", draft.recipients[1].name);
  EXPECT_FALSE(draft.mute_on_entry);
}

TEST(DraftFromAppointment, PatternEndMovesToTheEndOfTheLastOccurrence) {
  CMeetingInfo hour_long;
  take_appointment(hour_long, kWeeklyAppointment);
  EXPECT_DOUBLE_EQ(kMarch31 + 1.0 / 24, hour_long.recurrence.pattern_end_date);
  EXPECT_EQ("2021-03-31", format_date(hour_long.recurrence.pattern_end_date));
  EXPECT_EQ("01:00", format_time(hour_long.recurrence.pattern_end_date));

  CMeetingInfo day_long;
  take_appointment(day_long,
                   R"({"IsRecurring":1,"Recurring":{"Duration":1500,"PatternEndDate":44286.75}})");
  EXPECT_EQ("2021-04-01", format_date(day_long.recurrence.pattern_end_date));
  EXPECT_EQ("01:00", format_time(day_long.recurrence.pattern_end_date));
}

TEST(DraftFromAppointment, KeepsTheFirstNonZeroStartEverRead) {
  CMeetingInfo draft;
  take_appointment(draft, R"({"Subject":"a","OrStart":0})");
  EXPECT_EQ(0.0, draft.first_start);
  take_appointment(draft, R"({"Subject":"a","OrStart":44262.375})");
  EXPECT_EQ(kMarch7At9, draft.first_start);
  take_appointment(draft, R"({"Subject":"a","OrStart":44300.5,"Start":44300.5})");
  EXPECT_EQ(kMarch7At9, draft.first_start);
  EXPECT_EQ(44300.5, draft.start);
}

TEST(DraftFromAppointment, TextThatDoesNotParseClearsTheTimesAndThePattern) {
  CMeetingInfo draft;
  take_appointment(draft, kWeeklyAppointment);
  draft.recipients.clear();
  take_appointment(draft, "{\"Subject\": \"x\"");
  EXPECT_EQ("", draft.subject);
  EXPECT_EQ(0, draft.duration);
  EXPECT_EQ(0.0, draft.start);
  EXPECT_EQ(kMarch7At9, draft.first_start);
  EXPECT_FALSE(draft.recurrence.recurring);
  EXPECT_EQ(0, draft.recurrence.day_of_week_mask);
  EXPECT_EQ(0.0, draft.recurrence.pattern_end_date);
  EXPECT_TRUE(draft.recipients.empty());
}

TEST(DraftFromAppointment, RecipientsAreAppended) {
  CMeetingInfo draft;
  take_appointment(draft, kWeeklyAppointment);
  take_appointment(draft, R"({"Recipients":[{"MailAddr":"cy@example.com"}]})");
  EXPECT_EQ((std::vector<std::string>{"ann@example.com", "bob@example.com", "cy@example.com"}),
            addresses(draft));
  EXPECT_EQ("", draft.recipients[2].name);
}

TEST(DraftFromSettings, TakesTheStoredMeetingAndItsMuteOption) {
  CMeetingInfo draft;
  take_settings(draft,
                R"({"Subject":"S","Start":44262.375,"OrStart":44262.5,"Duration":45,"IsRecurring":0,
          "enterMeetMute":2,"MeetingKey":"mk-1"})");
  EXPECT_EQ("S", draft.subject);
  EXPECT_EQ(kMarch7At9, draft.start);
  EXPECT_EQ(44262.5, draft.first_start);
  EXPECT_EQ(45, draft.duration);
  EXPECT_TRUE(draft.mute_on_entry);
}

TEST(DraftFromSettings, TextThatDoesNotParseKeepsTheMeetingButNotTheRecurrence) {
  CMeetingInfo draft;
  take_settings(draft, R"({"Subject":"S","MeetingKey":"mk","Duration":30,"Start":1.5,
      "enterMeetMute":true,"IsRecurring":1,"Recurring":{"Interval":3}})");
  take_settings(draft, "not json");
  EXPECT_EQ("S", draft.subject);
  EXPECT_EQ(30, draft.duration);
  EXPECT_EQ(1.5, draft.start);
  EXPECT_TRUE(draft.mute_on_entry);
  EXPECT_FALSE(draft.recurrence.recurring);
  EXPECT_EQ(0, draft.recurrence.interval);
}

TEST(DraftSettingsRecord, CarriesTheDraftAndTheKeyAndReadsBackAsTheSameDraft) {
  CMeetingInfo draft;
  take_appointment(draft, kWeeklyAppointment);
  draft.mute_on_entry = true;
  draft.password = "0427";
  ServiceMeeting meeting;
  meeting.meeting_key = "mk-9";
  meeting.host_user_id = "u-7";
  const records::SettingsRecord record = draft.settings_record(meeting);
  EXPECT_EQ("mk-9", record.meeting_key);
  EXPECT_EQ("u-7", record.host_user_id);
  EXPECT_TRUE(record.mute_on_entry);

  CMeetingInfo read;
  take_settings(read, records::write_settings_record(record));
  EXPECT_FALSE(read.differs_from(draft));
  EXPECT_EQ("0427", read.password);
  EXPECT_EQ(draft.first_start, read.first_start);
}

}  // namespace
}  // namespace mivo

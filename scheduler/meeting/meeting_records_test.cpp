// Tests of the records exchanged with the add-in: reading the appointment
// record and the meeting settings record, writing the settings record.
#include "meeting_info.h"

#include "portable/oadate.h"

#include <gtest/gtest.h>

namespace mivo {
namespace {

// 2021-03-07 09:00, and the last day of a pattern, 2021-03-31.
constexpr double march_7_9am = 44262.375;
constexpr double march_31 = 44286.0;

const char weekly_appointment[] = R"({
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

TEST(AppointmentRecord, ReadsEveryField) {
  CMeetingInfo meeting;
  EXPECT_EQ(RecordRead::read, meeting.read_appointment_record(weekly_appointment));
  EXPECT_EQ("Weekly sync", meeting.subject);
  EXPECT_EQ(60, meeting.duration);
  EXPECT_EQ(march_7_9am, meeting.start);
  EXPECT_EQ(march_7_9am, meeting.first_start);
  EXPECT_EQ("IPM.Appointme", meeting.message_class);
  EXPECT_EQ(1, meeting.recurrence_state);
  const CRecurringInfo& r = meeting.recurrence;
  EXPECT_TRUE(r.recurring);
  EXPECT_EQ(pattern_weekly, r.pattern_type);
  EXPECT_EQ(2, r.interval);
  EXPECT_EQ(65, r.day_of_week_mask);
  EXPECT_EQ(7, r.day_of_month);
  EXPECT_EQ(3, r.month_of_year);
  EXPECT_EQ(1, r.instance);
  EXPECT_EQ(60, r.duration);
  EXPECT_EQ(4, r.occurrences);
  EXPECT_FALSE(r.no_end_date);
  EXPECT_EQ(44262.0, r.pattern_start_date);
  EXPECT_EQ((std::vector<std::string>{"ann@example.com", "bob@example.com"}),
            r.recipient_addresses);
  EXPECT_EQ((std::vector<std::string>{"Ann", "Bob"}), r.recipient_names);
  // Writing leaves these to the settings record only.
  EXPECT_EQ("", meeting.meeting_key);
  EXPECT_FALSE(meeting.mute_on_entry);
}

TEST(AppointmentRecord, PatternEndMovesToTheEndOfTheLastOccurrence) {
  CMeetingInfo hour_long;
  hour_long.read_appointment_record(weekly_appointment);
  EXPECT_DOUBLE_EQ(march_31 + 1.0 / 24, hour_long.recurrence.pattern_end_date);
  EXPECT_EQ("2021-03-31", format_date(hour_long.recurrence.pattern_end_date));
  EXPECT_EQ("01:00", format_time(hour_long.recurrence.pattern_end_date));

  CMeetingInfo day_long;
  day_long.read_appointment_record(
      R"({"IsRecurring":1,"Recurring":{"Duration":1500,"PatternEndDate":44286.75}})");
  EXPECT_EQ("2021-04-01", format_date(day_long.recurrence.pattern_end_date));
  EXPECT_EQ("01:00", format_time(day_long.recurrence.pattern_end_date));
}

TEST(AppointmentRecord, KeepsTheFirstNonZeroStartEverRead) {
  CMeetingInfo meeting;
  meeting.read_appointment_record(R"({"Subject":"a","OrStart":0})");
  EXPECT_EQ(0.0, meeting.first_start);
  meeting.read_appointment_record(R"({"Subject":"a","OrStart":44262.375})");
  EXPECT_EQ(march_7_9am, meeting.first_start);
  meeting.read_appointment_record(R"({"Subject":"a","OrStart":44300.5,"Start":44300.5})");
  EXPECT_EQ(march_7_9am, meeting.first_start);
  EXPECT_EQ(44300.5, meeting.start);
}

TEST(AppointmentRecord, TextsOfTwoCharactersOrFewerAreNoRecord) {
  CMeetingInfo meeting;
  meeting.read_appointment_record(weekly_appointment);
  const CMeetingInfo before = meeting;
  // Two UTF-16 characters, whatever the byte count: "{}", a CJK pair, one
  // astral character.
  for (const char* text : {"", "{", "{}", "\xE4\xBC\x9A\xE8\xAE\xAE", "\xF0\x9F\x98\x80"}) {
    EXPECT_EQ(RecordRead::skipped, meeting.read_appointment_record(text)) << text;
    EXPECT_EQ(RecordRead::skipped, meeting.read_settings_record(text)) << text;
    EXPECT_FALSE(meeting.differs_from(before));
    EXPECT_EQ(before.recurrence.recipient_names, meeting.recurrence.recipient_names);
  }
  EXPECT_EQ(RecordRead::read, meeting.read_appointment_record("{ }"));
}

TEST(AppointmentRecord, TextThatDoesNotParseClearsTheTimesButKeepsMessageClass) {
  CMeetingInfo meeting;
  meeting.read_appointment_record(weekly_appointment);
  meeting.recurrence.clear_recipients();
  EXPECT_EQ(RecordRead::unparsable, meeting.read_appointment_record("{\"Subject\": \"x\""));
  EXPECT_EQ("", meeting.subject);
  EXPECT_EQ(0, meeting.duration);
  EXPECT_EQ(0.0, meeting.start);
  EXPECT_EQ(march_7_9am, meeting.first_start);
  EXPECT_EQ("IPM.Appointme", meeting.message_class);
  EXPECT_EQ(1, meeting.recurrence_state);
  EXPECT_FALSE(meeting.recurrence.recurring);
  EXPECT_EQ(0, meeting.recurrence.day_of_week_mask);
  EXPECT_EQ(0.0, meeting.recurrence.pattern_end_date);
  EXPECT_TRUE(meeting.recurrence.recipient_addresses.empty());
}

TEST(AppointmentRecord, RecipientsAreAppendedInPairs) {
  CMeetingInfo meeting;
  meeting.read_appointment_record(weekly_appointment);
  meeting.read_appointment_record(R"({"Recipients":[{"MailAddr":"cy@example.com"}]})");
  EXPECT_EQ((std::vector<std::string>{"ann@example.com", "bob@example.com", "cy@example.com"}),
            meeting.recurrence.recipient_addresses);
  EXPECT_EQ((std::vector<std::string>{"Ann", "Bob", ""}), meeting.recurrence.recipient_names);
  meeting.recurrence.clear_recipients();
  meeting.read_appointment_record(R"({"Recipients":[]})");
  EXPECT_TRUE(meeting.recurrence.recipient_addresses.empty());
  EXPECT_TRUE(meeting.recurrence.recipient_names.empty());
}

// Wrong-typed members read as if missing; the rest of the record is read.
TEST(AppointmentRecord, WrongTypedMembersReadAsMissing) {
  const struct {
    const char* json;
    bool (*check)(const CMeetingInfo&);
  } cases[] = {
      {R"({"Subject":{"a":1},"Duration":5})",
       [](const CMeetingInfo& m) { return m.subject.empty() && m.duration == 5; }},
      {R"({"Subject":"s","Duration":"30"})",
       [](const CMeetingInfo& m) { return m.subject == "s" && m.duration == 0; }},
      {R"({"Duration":1e20,"Start":44262.375})",
       [](const CMeetingInfo& m) { return m.duration == 0 && m.start == 44262.375; }},
      {R"({"Start":"44262","OrStart":[1],"Duration":5})",
       [](const CMeetingInfo& m) { return m.start == 0 && m.first_start == 0 && m.duration == 5; }},
      {R"({"MsgClass":[],"recurrenceState":"2","Duration":5})",
       [](const CMeetingInfo& m) { return m.message_class.empty() && m.recurrence_state == 0; }},
      {R"({"IsRecurring":"yes","Recurring":{"Interval":1}})",
       [](const CMeetingInfo& m) { return !m.recurrence.recurring && m.recurrence.interval == 1; }},
      {R"({"IsRecurring":1,"Recurring":[{"Interval":1}]})",
       [](const CMeetingInfo& m) { return m.recurrence.recurring && m.recurrence.interval == 0; }},
      {R"({"Recurring":{"Interval":"2","DayOfWeekMask":4,"PatternEndDate":"x"}})",
       [](const CMeetingInfo& m) {
         return m.recurrence.interval == 0 && m.recurrence.day_of_week_mask == 4;
       }},
      {R"({"Recipients":{"MailAddr":"a@b.c"}})",
       [](const CMeetingInfo& m) { return m.recurrence.recipient_addresses.empty(); }},
      {R"({"Recipients":["a@b.c",{"MailAddr":"d@e.f","Name":7}]})",
       [](const CMeetingInfo& m) {
         return m.recurrence.recipient_addresses == std::vector<std::string>{"", "d@e.f"} &&
                m.recurrence.recipient_names == std::vector<std::string>{"", "7"};
       }},
      {R"([{"Subject":"s"}])", [](const CMeetingInfo& m) { return m.subject.empty(); }},
  };
  for (const auto& c : cases) {
    CMeetingInfo meeting;
    EXPECT_EQ(RecordRead::wrong_types, meeting.read_appointment_record(c.json)) << c.json;
    EXPECT_TRUE(c.check(meeting)) << c.json;
  }
}

TEST(SettingsRecord, ReadsTheSchedulerStateAndAcceptsANumberAsMuteFlag) {
  CMeetingInfo meeting;
  EXPECT_EQ(RecordRead::read,
            meeting.read_settings_record(
                R"({"Subject":"S","Start":44262.375,"OrStart":44262.5,"Duration":45,"IsRecurring":0,
          "enterMeetMute":2,"MeetingKey":"mk-1"})"));
  EXPECT_EQ("S", meeting.subject);
  EXPECT_EQ(march_7_9am, meeting.start);
  EXPECT_EQ(44262.5, meeting.first_start);
  EXPECT_EQ(45, meeting.duration);
  EXPECT_TRUE(meeting.mute_on_entry);
  EXPECT_EQ("mk-1", meeting.meeting_key);
  meeting.read_settings_record(R"({"enterMeetMute":false})");
  EXPECT_FALSE(meeting.mute_on_entry);
  EXPECT_EQ(RecordRead::wrong_types, meeting.read_settings_record(R"({"enterMeetMute":"on"})"));
  EXPECT_FALSE(meeting.mute_on_entry);
}

TEST(SettingsRecord, WithoutRecurringObjectEveryRecurrenceFieldIsZero) {
  CMeetingInfo meeting;
  meeting.read_appointment_record(weekly_appointment);
  meeting.read_settings_record(R"({"Subject":"S","IsRecurring":0})");
  const CRecurringInfo& r = meeting.recurrence;
  EXPECT_FALSE(r.recurring);
  EXPECT_FALSE(r.no_end_date);
  EXPECT_EQ(0, r.pattern_type + r.interval + r.day_of_week_mask + r.day_of_month + r.month_of_year +
                   r.instance + r.duration + r.occurrences);
  EXPECT_EQ(0.0, r.pattern_start_date);
  EXPECT_EQ(0.0, r.pattern_end_date);
}

TEST(SettingsRecord, TextThatDoesNotParseKeepsTheSchedulerStateButNotTheRecurrence) {
  CMeetingInfo meeting;
  meeting.read_settings_record(R"({"Subject":"S","MeetingKey":"mk","Duration":30,"Start":1.5,
      "enterMeetMute":true,"IsRecurring":1,"Recurring":{"Interval":3}})");
  EXPECT_EQ(RecordRead::unparsable, meeting.read_settings_record("not json"));
  EXPECT_EQ("S", meeting.subject);
  EXPECT_EQ("mk", meeting.meeting_key);
  EXPECT_EQ(30, meeting.duration);
  EXPECT_EQ(1.5, meeting.start);
  EXPECT_TRUE(meeting.mute_on_entry);
  EXPECT_FALSE(meeting.recurrence.recurring);
  EXPECT_EQ(0, meeting.recurrence.interval);
}

CMeetingInfo recurring_meeting() {
  CMeetingInfo meeting;
  meeting.read_appointment_record(weekly_appointment);
  meeting.meeting_key = "mk-9";
  meeting.mute_on_entry = true;
  return meeting;
}

TEST(SettingsRecord, IsWrittenCompactWithRecurrenceAndRecipients) {
  EXPECT_EQ(R"({"Duration":60,"IsRecurring":1,"MeetingKey":"mk-9","OrStart":44262.375,)"
            R"("Recipients":[{"MailAddr":"ann@example.com","Name":"Ann"},)"
            R"({"MailAddr":"bob@example.com","Name":"Bob"}],)"
            R"("Recurring":{"DayOfMonth":7,"DayOfWeekMask":65,"Duration":60,"Instance":1,)"
            R"("Interval":2,"IsRecurring":1,"MonthOfYear":3,"NoEndDate":0,"Occurrences":4,)"
            R"("PatternEndDate":44286.041666666664,"PatternStartDate":44262.0,"RecurrenceType":1},)"
            R"("Start":44262.375,"Subject":"Weekly sync","enterMeetMute":true})"
            "\n",
            recurring_meeting().write_settings_record());
}

TEST(SettingsRecord, OfASingleMeetingHasNeitherRecurrenceNorRecipients) {
  CMeetingInfo meeting;
  meeting.subject = "One-off";
  meeting.start = march_7_9am;
  meeting.duration = 30;
  EXPECT_EQ(R"({"Duration":30,"IsRecurring":0,"MeetingKey":"","OrStart":0.0,"Start":44262.375,)"
            R"("Subject":"One-off","enterMeetMute":false})"
            "\n",
            meeting.write_settings_record());
}

TEST(SettingsRecord, SurvivesWritingAndReadingWithUnicodeSubject) {
  CMeetingInfo written = recurring_meeting();
  written.subject = "Zo\xC3\xAB \xE4\xBC\x9A\xE8\xAE\xAE \xE2\x9C\x93 \xF0\x9F\x98\x80";
  written.recurrence.recipient_names[0] = "\xE6\x9D\x8E\xE9\x9B\xB7";
  const std::string record = written.write_settings_record();
  EXPECT_NE(std::string::npos,
            record.find(R"("Subject":"Zo\u00eb \u4f1a\u8bae \u2713 \ud83d\ude00")"));

  CMeetingInfo read;
  EXPECT_EQ(RecordRead::read, read.read_settings_record(record));
  EXPECT_EQ(written.subject, read.subject);
  EXPECT_EQ(written.recurrence.recipient_names, read.recurrence.recipient_names);
  EXPECT_FALSE(read.differs_from(written));
  EXPECT_EQ(written.recurrence.occurrences, read.recurrence.occurrences);
  EXPECT_EQ(written.first_start, read.first_start);
}

}  // namespace
}  // namespace mivo

// The meeting settings record: its exact text, and read back whole.
#include "settings_record.h"

#include <gtest/gtest.h>

namespace mivo::records {
namespace {

SettingsRecord weekly_meeting() {
  SettingsRecord record;
  record.subject = "Weekly sync";
  record.start = 44262.375;
  record.first_start = 44262.375;
  record.duration = 60;
  record.mute_on_entry = true;
  record.meeting_key = "mk-9";
  record.recipients = {{"ann@example.com", "Ann"}, {"bob@example.com", "Bob"}};
  Recurrence& r = record.recurrence;
  r.recurring = true;
  r.pattern_type = pattern_weekly;
  r.interval = 2;
  r.day_of_week_mask = 65;
  r.day_of_month = 7;
  r.month_of_year = 3;
  r.instance = 1;
  r.duration = 60;
  r.occurrences = 4;
  r.pattern_start_date = 44262.0;
  r.pattern_end_date = 44286.041666666664;
  return record;
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
            write_settings_record(weekly_meeting()));
}

TEST(SettingsRecord, OfASingleMeetingHasNeitherRecurrenceNorRecipients) {
  SettingsRecord record;
  record.subject = "One-off";
  record.start = 44262.375;
  record.duration = 30;
  EXPECT_EQ(R"({"Duration":30,"IsRecurring":0,"MeetingKey":"","OrStart":0.0,"Start":44262.375,)"
            R"("Subject":"One-off","enterMeetMute":false})"
            "\n",
            write_settings_record(record));
}

TEST(SettingsRecord, ReadsBackWholeWithUnicodeTextsAndWritesTheSameText) {
  SettingsRecord written = weekly_meeting();
  written.subject = "Zo\xC3\xAB \xE4\xBC\x9A\xE8\xAE\xAE \xE2\x9C\x93 \xF0\x9F\x98\x80";
  written.recipients[0].name = "\xE6\x9D\x8E\xE9\x9B\xB7";
  written.recurrence.no_end_date = true;
  const std::string text = write_settings_record(written);
  EXPECT_NE(std::string::npos,
            text.find(R"("Subject":"Zo\u00eb \u4f1a\u8bae \u2713 \ud83d\ude00")"));

  SettingsRecord read;
  ASSERT_EQ(RecordRead::read, read_settings_record(text, read));
  EXPECT_EQ(written.subject, read.subject);
  EXPECT_EQ(written.meeting_key, read.meeting_key);
  EXPECT_EQ(written.first_start, read.first_start);
  EXPECT_TRUE(read.mute_on_entry);
  ASSERT_EQ(2u, read.recipients.size());
  EXPECT_EQ(written.recipients[0].name, read.recipients[0].name);
  EXPECT_EQ(written.recurrence.occurrences, read.recurrence.occurrences);
  EXPECT_TRUE(read.recurrence.no_end_date);
  EXPECT_EQ(text, write_settings_record(read));
}

TEST(SettingsRecord, KeepsPasswordAndHostAndReadsOlderRecordsWithoutThem) {
  SettingsRecord written = weekly_meeting();
  written.password = "0427";
  written.host_user_id = "u-17";
  written.default_subject = "Alice's meeting";
  written.location = "https://m.test/mk-9";
  const std::string text = write_settings_record(written);
  EXPECT_NE(std::string::npos, text.find(R"("HostUserId":"u-17","IsRecurring")"));
  EXPECT_NE(std::string::npos, text.find(R"("OrStart":44262.375,"Password":"0427")"));
  SettingsRecord read;
  ASSERT_EQ(RecordRead::read, read_settings_record(text, read));
  EXPECT_EQ("0427", read.password);
  EXPECT_EQ("u-17", read.host_user_id);
  EXPECT_EQ("Alice's meeting", read.default_subject);
  EXPECT_EQ("https://m.test/mk-9", read.location);
  EXPECT_EQ(text, write_settings_record(read));

  // An older record: neither key, read as none and written back as it was.
  const std::string older = write_settings_record(weekly_meeting());
  EXPECT_EQ(std::string::npos, older.find("Password"));
  EXPECT_EQ(std::string::npos, older.find("HostUserId"));
  EXPECT_EQ(std::string::npos, older.find("Location"));
  SettingsRecord old_read;
  ASSERT_EQ(RecordRead::read, read_settings_record(older, old_read));
  EXPECT_EQ("", old_read.password);
  EXPECT_EQ("", old_read.host_user_id);
  EXPECT_EQ(older, write_settings_record(old_read));
}

TEST(SettingsRecord, MuteFlagTakesANumberButNotAText) {
  SettingsRecord record;
  EXPECT_EQ(RecordRead::read, read_settings_record(R"({"enterMeetMute":2})", record));
  EXPECT_TRUE(record.mute_on_entry);
  SettingsRecord text;
  EXPECT_EQ(RecordRead::wrong_types, read_settings_record(R"({"enterMeetMute":"on"})", text));
  EXPECT_FALSE(text.mute_on_entry);
}

TEST(SettingsRecord, WithoutRecurringObjectEveryPatternFieldIsZero) {
  SettingsRecord record;
  EXPECT_EQ(RecordRead::read, read_settings_record(R"({"Subject":"S","IsRecurring":1})", record));
  const Recurrence& r = record.recurrence;
  EXPECT_TRUE(r.recurring);
  EXPECT_FALSE(r.no_end_date);
  EXPECT_EQ(0, r.pattern_type + r.interval + r.day_of_week_mask + r.day_of_month + r.month_of_year +
                   r.instance + r.duration + r.occurrences);
  EXPECT_EQ(0.0, r.pattern_start_date);
  EXPECT_EQ(0.0, r.pattern_end_date);
  EXPECT_TRUE(record.recipients.empty());
}

}  // namespace
}  // namespace mivo::records

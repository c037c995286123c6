#include "appointment_record.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "meeting_info.h"

namespace mivo {
namespace {

using ::testing::ElementsAre;

constexpr double kMarch15At10 = 45366 + 10.0 / 24;

TEST(AppointmentRecordWriter, WritesEveryMemberCompactInKeyOrder) {
  AppointmentRecord record;
  record.subject = "Review";
  record.start = 45366.5;
  record.end = 45366.75;
  record.duration = 360;
  record.message_class = "IPM.Appointment";
  record.recipients = {{"bob@example.com", "Bob"}};
  EXPECT_EQ(
      "{\"Duration\":360,\"End\":45366.75,\"IsRecurring\":0,\"MsgClass\":\"IPM.Appointme\","
      "\"OrStart\":45366.5,\"Recipients\":[{\"MailAddr\":\"bob@example.com\",\"Name\":\"Bob\"}],"
      "\"Start\":45366.5,\"Subject\":\"Review\",\"recurrenceState\":0}\n",
      write_appointment_record(record));

  // Nobody but the organiser: the list is there, empty.
  record.recipients.clear();
  EXPECT_NE(std::string::npos, write_appointment_record(record).find("\"Recipients\":[]"));
}

TEST(AppointmentRecordWriter, ReadsBackIntoTheMeetingRecordWhole) {
  AppointmentRecord record;
  record.subject = "季度评审 😀";
  record.start = kMarch15At10;
  record.end = kMarch15At10 + 1.0 / 24;
  record.duration = 60;
  record.message_class = "IPM.Appointment.Mivo";
  record.recurrence_state = 1;
  record.recipients = {{"li.lei@example.com", "李雷"}, {"alice@example.com", "Alice"}};
  AppointmentRecurrence weekly;
  weekly.type = 1;
  weekly.interval = 2;
  weekly.day_of_week_mask = 2 | 8;
  weekly.duration = 60;
  weekly.pattern_start = 45366;
  weekly.pattern_end = 45397;
  weekly.occurrences = 10;
  record.recurrence = weekly;

  const std::string text = write_appointment_record(record);
  for (const unsigned char c : text) ASSERT_LT(c, 0x80) << text;
  CMeetingInfo meeting;
  ASSERT_EQ(RecordRead::read, meeting.read_appointment_record(text)) << text;
  EXPECT_EQ(record.subject, meeting.subject);
  EXPECT_EQ(kMarch15At10, meeting.start);
  EXPECT_EQ(kMarch15At10, meeting.first_start);
  EXPECT_EQ(60, meeting.duration);
  EXPECT_EQ("IPM.Appointme", meeting.message_class);
  EXPECT_EQ(1, meeting.recurrence_state);
  EXPECT_THAT(meeting.recurrence.recipient_addresses,
              ElementsAre("li.lei@example.com", "alice@example.com"));
  EXPECT_THAT(meeting.recurrence.recipient_names, ElementsAre("李雷", "Alice"));
  EXPECT_TRUE(meeting.recurrence.recurring);
  EXPECT_EQ(1, meeting.recurrence.pattern_type);
  EXPECT_EQ(2, meeting.recurrence.interval);
  EXPECT_EQ(2 | 8, meeting.recurrence.day_of_week_mask);
  EXPECT_EQ(45366, meeting.recurrence.pattern_start_date);
  EXPECT_EQ(10, meeting.recurrence.occurrences);
  EXPECT_FALSE(meeting.recurrence.no_end_date);
}

TEST(AppointmentRecordWriter, MessageClassIsCutToThirteenUnitsNeverInsideAPair) {
  AppointmentRecord record;
  record.message_class = "IPM.Appointm😀x";  // the pair would be units 13 and 14
  CMeetingInfo meeting;
  meeting.read_appointment_record(write_appointment_record(record));
  EXPECT_EQ("IPM.Appointm", meeting.message_class);
}

}  // namespace
}  // namespace mivo

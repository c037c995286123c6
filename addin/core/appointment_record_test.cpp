// The appointment record as written, and as the scheduler's reader takes it.
#include "appointment_record.h"

#include <gtest/gtest.h>

#include "meeting/meeting_info.h"

namespace mivo::addin {
namespace {

constexpr double kMarch15At10 = 45366 + 10.0 / 24;

AppointmentValues planning() {
  AppointmentValues values;
  values.subject = "Planning";
  values.start = kMarch15At10;
  values.end = kMarch15At10 + 0.5 / 24;
  values.duration = 30;
  values.message_class = "IPM.Appointment";
  values.recipients = {{"ann@example.com", "Ann"}};
  return values;
}

TEST(AppointmentRecord, ASingleAppointmentWritesEveryKeyButRecurring) {
  EXPECT_EQ(
      R"({"Duration":30,"End":45366.4375,"IsRecurring":0,"MsgClass":"IPM.Appointme",)"
      R"("OrStart":45366.416666666664,"Recipients":[{"MailAddr":"ann@example.com","Name":"Ann"}],)"
      R"("Start":45366.416666666664,"Subject":"Planning","recurrenceState":0})"
      "\n",
      write_appointment_record(planning()));

  AppointmentValues bare;
  EXPECT_EQ(
      R"({"Duration":0,"End":0.0,"IsRecurring":0,"MsgClass":"","OrStart":0.0,"Recipients":[],)"
      R"("Start":0.0,"Subject":"","recurrenceState":0})"
      "\n",
      write_appointment_record(bare));
}

TEST(AppointmentRecord, MessageClassesKeepTheirFirstThirteenCharacters) {
  EXPECT_EQ("IPM.Appointme", record_message_class("IPM.Appointment.Custom"));
  EXPECT_EQ("IPM.Note", record_message_class("IPM.Note"));
  // Characters, not bytes: each of these takes three bytes in UTF-8.
  EXPECT_EQ("IPM.会议会议会议会议会", record_message_class("IPM.会议会议会议会议会议"));
}

TEST(AppointmentRecord, TheSchedulerReadsBackWhatTheAddInWrote) {
  AppointmentValues values = planning();
  values.subject = "季度评审 ✓";
  values.is_recurring = true;
  values.recurrence_state = 1;
  AppointmentRecurrence weekly;
  weekly.meeting_start = values.start;
  weekly.recurrence_type = 1;
  weekly.interval = 2;
  weekly.day_of_week_mask = 2 | 8;
  weekly.duration = 30;
  weekly.pattern_start = 45366;
  weekly.pattern_end = 45382;
  weekly.occurrences = 6;
  values.recurrence = weekly;

  CMeetingInfo meeting;
  ASSERT_EQ(RecordRead::read, meeting.read_appointment_record(write_appointment_record(values)));
  EXPECT_EQ("季度评审 ✓", meeting.subject);
  EXPECT_EQ(kMarch15At10, meeting.start);
  EXPECT_EQ(kMarch15At10, meeting.first_start);
  EXPECT_EQ(30, meeting.duration);
  EXPECT_EQ("IPM.Appointme", meeting.message_class);
  EXPECT_EQ(1, meeting.recurrence_state);
  EXPECT_TRUE(meeting.recurrence.recurring);
  EXPECT_EQ(1, meeting.recurrence.pattern_type);
  EXPECT_EQ(2, meeting.recurrence.interval);
  EXPECT_EQ(10, meeting.recurrence.day_of_week_mask);
  EXPECT_EQ(6, meeting.recurrence.occurrences);
  EXPECT_EQ(45366, meeting.recurrence.pattern_start_date);
  EXPECT_EQ((std::vector<std::string>{"ann@example.com"}), meeting.recurrence.recipient_addresses);
  EXPECT_EQ((std::vector<std::string>{"Ann"}), meeting.recurrence.recipient_names);
}

TEST(AppointmentRecord, ARecurringAppointmentWithoutPatternWritesZeros) {
  AppointmentValues values = planning();
  values.is_recurring = true;
  const std::string record = write_appointment_record(values);
  EXPECT_NE(std::string::npos,
            record.find(R"("Recurring":{"DayOfMonth":0,"DayOfWeekMask":0,"Duration":0,)"
                        R"("Instance":0,"Interval":0,"IsRecurring":1,"MeetingStart":0.0,)"
                        R"("MonthOfYear":0,"NoEndDate":0,"Occurrences":0,"PatternEndDate":0.0,)"
                        R"("PatternStartDate":0.0,"RecurrenceType":0,"Start":45366.416666666664})"))
      << record;
}

}  // namespace
}  // namespace mivo::addin

// The appointment record: written as the add-in writes it, read back whole,
// and what a reader makes of texts that are no record, do not parse or hold
// members of the wrong type.
#include "appointment_record.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace mivo::records {
namespace {

using ::testing::ElementsAre;

constexpr double kMarch15At10 = 45366 + 10.0 / 24;

// Recipients as "address/name" texts, for comparing lists.
std::vector<std::string> listed(const std::vector<Recipient>& recipients) {
  std::vector<std::string> texts;
  for (const Recipient& r : recipients) texts.push_back(r.address + "/" + r.name);
  return texts;
}

TEST(AppointmentRecord, IsWrittenCompactInKeyOrderWithTheRecipientListAlwaysThere) {
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

TEST(AppointmentRecord, RecurringOneCarriesThePatternWithTheStartInIt) {
  AppointmentRecord record;
  record.start = 44262.375;
  record.recurrence.recurring = true;
  record.recurrence.pattern_type = pattern_weekly;
  record.recurrence.interval = 2;
  record.recurrence.day_of_week_mask = day_sunday | day_saturday;
  record.recurrence.pattern_end_date = 44286.0;
  const std::string text = write_appointment_record(record);
  EXPECT_NE(std::string::npos,
            text.find(R"("Recurring":{"DayOfMonth":0,"DayOfWeekMask":65,"Duration":0,)"
                      R"("Instance":0,"Interval":2,"IsRecurring":1,"MeetingStart":44262.375,)"
                      R"("MonthOfYear":0,"NoEndDate":0,"Occurrences":0,"PatternEndDate":44286.0,)"
                      R"("PatternStartDate":0.0,"RecurrenceType":1,"Start":44262.375})"))
      << text;
  EXPECT_NE(std::string::npos, text.find(R"("IsRecurring":1,)")) << text;
}

TEST(AppointmentRecord, ReadsBackWholeAndWritesTheSameText) {
  AppointmentRecord written;
  written.subject = "季度评审 😀";
  written.start = kMarch15At10;
  written.first_start = kMarch15At10 - 1;
  written.end = kMarch15At10 + 1.0 / 24;
  written.duration = 60;
  written.message_class = "IPM.Appointme";
  written.recurrence_state = 1;
  written.recipients = {{"li.lei@example.com", "李雷"}, {"alice@example.com", "Alice"}};
  written.recurrence.recurring = true;
  written.recurrence.pattern_type = pattern_weekly;
  written.recurrence.interval = 2;
  written.recurrence.day_of_week_mask = day_monday | day_wednesday;
  written.recurrence.duration = 60;
  written.recurrence.pattern_start_date = 45366;
  written.recurrence.pattern_end_date = 45397.25;
  written.recurrence.occurrences = 10;
  written.recurrence.no_end_date = true;

  const std::string text = write_appointment_record(written);
  for (const unsigned char c : text) ASSERT_LT(c, 0x80) << text;
  AppointmentRecord read;
  ASSERT_EQ(RecordRead::read, read_appointment_record(text, read)) << text;
  EXPECT_EQ(written.subject, read.subject);
  EXPECT_EQ(kMarch15At10, read.start);
  EXPECT_EQ(kMarch15At10 - 1, read.first_start);
  EXPECT_EQ(written.end, read.end);
  EXPECT_EQ(60, read.duration);
  EXPECT_EQ("IPM.Appointme", read.message_class);
  EXPECT_EQ(1, read.recurrence_state);
  EXPECT_THAT(listed(read.recipients),
              ElementsAre("li.lei@example.com/李雷", "alice@example.com/Alice"));
  EXPECT_TRUE(read.recurrence.recurring);
  EXPECT_EQ(45397.25, read.recurrence.pattern_end_date);
  EXPECT_TRUE(read.recurrence.no_end_date);
  EXPECT_EQ(text, write_appointment_record(read));
}

TEST(AppointmentRecord, MessageClassIsCutToThirteenUnitsNeverInsideAPair) {
  AppointmentRecord record;
  record.message_class = "IPM.Appointm😀x";  // the pair would be units 13 and 14
  AppointmentRecord read;
  read_appointment_record(write_appointment_record(record), read);
  EXPECT_EQ("IPM.Appointm", read.message_class);
  record.message_class = "IPM.Note";
  read_appointment_record(write_appointment_record(record), read);
  EXPECT_EQ("IPM.Note", read.message_class);
}

TEST(AppointmentRecord, TextsOfTwoCharactersOrFewerAreNoRecordAndLeaveTheRecordAlone) {
  // Two UTF-16 characters, whatever the byte count: "{}", a CJK pair, one
  // astral character.
  for (const char* text : {"", "{", "{}", "\xE4\xBC\x9A\xE8\xAE\xAE", "\xF0\x9F\x98\x80"}) {
    EXPECT_TRUE(is_no_record(text)) << text;
    AppointmentRecord record;
    record.subject = "kept";
    EXPECT_EQ(RecordRead::skipped, read_appointment_record(text, record)) << text;
    EXPECT_EQ("kept", record.subject);
  }
  EXPECT_FALSE(is_no_record("{ }"));
  AppointmentRecord record;
  EXPECT_EQ(RecordRead::read, read_appointment_record("{ }", record));
  EXPECT_EQ(0.0, record.first_start);
}

TEST(AppointmentRecord, TextThatDoesNotParseReadsAsAnEmptyDocument) {
  AppointmentRecord record;
  EXPECT_EQ(
      RecordRead::unparsable,
      read_appointment_record(R"({"Subject": "x", "Recipients": [{"MailAddr": "a"}])", record));
  EXPECT_EQ("", record.subject);
  EXPECT_EQ(0.0, record.first_start);
  EXPECT_TRUE(record.recipients.empty());
  EXPECT_FALSE(record.recurrence.recurring);
}

// Wrong-typed members read as if missing; the rest of the record is read.
TEST(AppointmentRecord, WrongTypedMembersReadAsMissing) {
  const struct {
    const char* json;
    bool (*check)(const AppointmentRecord&);
  } cases[] = {
      {R"({"Subject":{"a":1},"Duration":5})",
       [](const AppointmentRecord& r) { return r.subject.empty() && r.duration == 5; }},
      {R"({"Subject":"s","Duration":"30"})",
       [](const AppointmentRecord& r) { return r.subject == "s" && r.duration == 0; }},
      {R"({"Duration":1e20,"Start":44262.375})",
       [](const AppointmentRecord& r) { return r.duration == 0 && r.start == 44262.375; }},
      {R"({"Start":"44262","OrStart":[1],"Duration":5})",
       [](const AppointmentRecord& r) {
         return r.start == 0 && r.first_start == 0.0 && r.duration == 5;
       }},
      {R"({"MsgClass":[],"recurrenceState":"2","Duration":5})",
       [](const AppointmentRecord& r) {
         return r.message_class.empty() && r.recurrence_state == 0;
       }},
      {R"({"IsRecurring":"yes","Recurring":{"Interval":1}})",
       [](const AppointmentRecord& r) {
         return !r.recurrence.recurring && r.recurrence.interval == 1;
       }},
      {R"({"IsRecurring":1,"Recurring":[{"Interval":1}]})",
       [](const AppointmentRecord& r) {
         return r.recurrence.recurring && r.recurrence.interval == 0;
       }},
      {R"({"Recurring":{"Interval":"2","DayOfWeekMask":4,"PatternEndDate":"x"}})",
       [](const AppointmentRecord& r) {
         return r.recurrence.interval == 0 && r.recurrence.day_of_week_mask == 4;
       }},
      {R"({"Recipients":{"MailAddr":"a@b.c"}})",
       [](const AppointmentRecord& r) { return r.recipients.empty(); }},
      {R"({"Recipients":["a@b.c",{"MailAddr":"d@e.f","Name":7}]})",
       [](const AppointmentRecord& r) {
         return listed(r.recipients) == std::vector<std::string>{"/", "d@e.f/7"};
       }},
      {R"([{"Subject":"s"}])", [](const AppointmentRecord& r) { return r.subject.empty(); }},
  };
  for (const auto& c : cases) {
    AppointmentRecord record;
    EXPECT_EQ(RecordRead::wrong_types, read_appointment_record(c.json, record)) << c.json;
    EXPECT_TRUE(c.check(record)) << c.json;
  }
}

}  // namespace
}  // namespace mivo::records

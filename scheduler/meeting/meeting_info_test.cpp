// Tests of the meeting record's copy rule, change test, recurrence check and
// user-information reader.
#include "meeting_info.h"

#include <gtest/gtest.h>

#include <functional>
#include <iterator>

namespace mivo {
namespace {

CMeetingInfo full_meeting() {
  CMeetingInfo m;
  m.mute_on_entry = true;
  m.meeting_key = "mk";
  m.personal_meeting_key = "pmk";
  m.token = "tok";
  m.mail_content = "mail";
  m.subject = "Subject";
  m.conference_id = "cid";
  m.password = "1234";
  m.message_class = "IPM.Appointme";
  m.recurrence_state = 2;
  m.host_user_id = "hid";
  m.host_user_name = "Host";
  m.duration = 30;
  m.start = 44262.375;
  m.first_start = 44262.0;
  m.recurrence.recurring = true;
  m.recurrence.pattern_type = pattern_monthly_nth;
  m.recurrence.pattern_start_date = 44262.0;
  m.recurrence.pattern_end_date = 44286.5;
  m.recurrence.occurrences = 3;
  m.recurrence.interval = 1;
  m.recurrence.instance = 5;
  m.recurrence.day_of_week_mask = day_friday;
  m.recurrence.duration = 30;
  m.recurrence.recipient_addresses = {"a@example.com", "b@example.com"};
  m.recurrence.recipient_names = {"A", "B"};
  return m;
}

TEST(MeetingCopy, TakesWhatTheUserControlsAndKeepsServerState) {
  CMeetingInfo target;
  target.token = "own token";
  target.conference_id = "own id";
  target.recurrence.recipient_addresses = {"old@example.com"};
  target.recurrence.recipient_names = {"Old"};
  const CMeetingInfo source = full_meeting();
  target.copy_from(source);
  EXPECT_FALSE(target.differs_from(source));
  EXPECT_EQ("1234", target.password);
  EXPECT_EQ(source.recurrence.recipient_names, target.recurrence.recipient_names);
  EXPECT_EQ(source.recurrence.occurrences, target.recurrence.occurrences);
  EXPECT_EQ(44262.0, target.first_start);
  EXPECT_EQ("own token", target.token);
  EXPECT_EQ("own id", target.conference_id);
  EXPECT_EQ("", target.mail_content);
  EXPECT_EQ("", target.personal_meeting_key);
  EXPECT_EQ("", target.message_class);
  EXPECT_EQ(0, target.recurrence_state);
  EXPECT_EQ("", target.host_user_id);
  EXPECT_EQ("", target.host_user_name);
}

TEST(MeetingCopy, TakesTheFirstStartOnlyWhileItsOwnIsZero) {
  CMeetingInfo target;
  target.first_start = 40000.0;
  target.copy_from(full_meeting());
  EXPECT_EQ(40000.0, target.first_start);
  target.copy_from(target);
  EXPECT_EQ("Subject", target.subject);
}

TEST(MeetingCompare, EachUserFieldCountsAsAChange) {
  const CMeetingInfo snapshot = full_meeting();
  EXPECT_FALSE(full_meeting().differs_from(snapshot));
  const std::function<void(CMeetingInfo&)> changes[] = {
      [](CMeetingInfo& m) { m.meeting_key = ""; },
      [](CMeetingInfo& m) { m.subject = "subject"; },  // case counts
      [](CMeetingInfo& m) { m.password = ""; },
      [](CMeetingInfo& m) { m.duration = 31; },
      [](CMeetingInfo& m) { m.start += 1e-9; },  // no tolerance on the start
      [](CMeetingInfo& m) { m.mute_on_entry = false; },
      [](CMeetingInfo& m) { m.recurrence.recurring = false; },
      [](CMeetingInfo& m) { m.recurrence.pattern_type = pattern_weekly; },
      [](CMeetingInfo& m) { m.recurrence.no_end_date = true; },
      [](CMeetingInfo& m) { m.recurrence.recipient_addresses.pop_back(); },
      [](CMeetingInfo& m) {
        std::swap(m.recurrence.recipient_addresses[0], m.recurrence.recipient_addresses[1]);
      },
  };
  for (std::size_t i = 0; i < std::size(changes); ++i) {
    CMeetingInfo current = full_meeting();
    changes[i](current);
    EXPECT_TRUE(current.differs_from(snapshot)) << "change " << i;
  }
}

TEST(MeetingCompare, IgnoresServerStateDisplayNamesAndSecondsOfPatternNoise) {
  const CMeetingInfo snapshot = full_meeting();
  CMeetingInfo current = full_meeting();
  current.token = "other";
  current.conference_id = "other";
  current.mail_content = "other";
  current.host_user_name = "other";
  current.first_start = 1.0;
  current.recurrence.recipient_names = {"Other", "Names"};
  current.recurrence.occurrences = 9;
  current.recurrence.pattern_end_date += 1.0 / 86400;
  current.recurrence.pattern_start_date -= 1.0 / 86400;
  EXPECT_FALSE(current.differs_from(snapshot));
  current.recurrence.pattern_end_date += 2.0 / 86400;
  EXPECT_TRUE(current.differs_from(snapshot));
  current = full_meeting();
  current.recurrence.pattern_start_date += 3.0 / 86400;
  EXPECT_TRUE(current.differs_from(snapshot));
  current = full_meeting();
  current.recurrence.pattern_end_date -= 2.5 / 86400;
  EXPECT_TRUE(current.differs_from(snapshot));
}

// Which pattern fields count depends on the current record's pattern type.
TEST(MeetingCompare, PatternFieldsCountByPatternType) {
  const struct {
    int pattern_type;
    int mask;
    void (*change)(CRecurringInfo&);
    bool differs;
  } cases[] = {
      {pattern_daily, 62, [](CRecurringInfo& r) { r.interval = 7; }, false},
      {pattern_daily, 62, [](CRecurringInfo& r) { r.day_of_week_mask = 2; }, true},
      {pattern_daily, 0, [](CRecurringInfo& r) { r.interval = 7; }, true},
      {pattern_weekly, 2, [](CRecurringInfo& r) { r.day_of_week_mask = 6; }, true},
      {pattern_weekly, 2, [](CRecurringInfo& r) { r.interval = 3; }, true},
      {pattern_weekly, 2, [](CRecurringInfo& r) { r.day_of_month = 3; }, false},
      {pattern_monthly, 0, [](CRecurringInfo& r) { r.day_of_month = 3; }, true},
      {pattern_monthly, 0, [](CRecurringInfo& r) { r.interval = 3; }, true},
      {pattern_monthly, 0, [](CRecurringInfo& r) { r.day_of_week_mask = 8; }, false},
      {pattern_monthly_nth, 32, [](CRecurringInfo& r) { r.instance = 2; }, true},
      {pattern_monthly_nth, 32, [](CRecurringInfo& r) { r.day_of_week_mask = 8; }, true},
      {pattern_monthly_nth, 32, [](CRecurringInfo& r) { r.interval = 2; }, true},
      {pattern_monthly_nth, 32, [](CRecurringInfo& r) { r.month_of_year = 2; }, false},
      {pattern_yearly, 0, [](CRecurringInfo& r) { r.month_of_year = 4; }, true},
      {pattern_yearly, 0, [](CRecurringInfo& r) { r.day_of_month = 4; }, true},
      {pattern_yearly, 0, [](CRecurringInfo& r) { r.interval = 4; }, false},
      {pattern_yearly_nth, 0, [](CRecurringInfo& r) { r.interval = 4; }, true},
      {pattern_yearly_nth, 0, [](CRecurringInfo& r) { r.instance = 4; }, false},
      {4, 0, [](CRecurringInfo& r) { r.interval = 4; }, false},
  };
  for (const auto& c : cases) {
    CMeetingInfo snapshot = full_meeting();
    snapshot.recurrence.pattern_type = c.pattern_type;
    snapshot.recurrence.day_of_week_mask = c.mask;
    CMeetingInfo current = snapshot;
    c.change(current.recurrence);
    EXPECT_EQ(c.differs, current.differs_from(snapshot))
        << "pattern " << c.pattern_type << " mask " << c.mask;
  }
}

TEST(RecurrenceCheck, RefusesWhatTheServiceCannotSchedule) {
  const struct {
    bool recurring;
    bool no_end_date;
    int pattern_type;
    int interval;
    RecurrenceCheck expected;
  } cases[] = {
      {false, true, pattern_monthly, 99, RecurrenceCheck::accepted},
      {true, true, pattern_daily, 1, RecurrenceCheck::no_end_date},
      {true, false, pattern_daily, 2, RecurrenceCheck::daily_interval_too_long},
      {true, false, pattern_daily, 1, RecurrenceCheck::accepted},
      {true, false, pattern_daily, 0, RecurrenceCheck::accepted},
      {true, false, pattern_weekly, 11, RecurrenceCheck::weekly_interval_out_of_range},
      {true, false, pattern_weekly, -1, RecurrenceCheck::weekly_interval_out_of_range},
      {true, false, pattern_weekly, 10, RecurrenceCheck::accepted},
      {true, false, pattern_weekly, 0, RecurrenceCheck::accepted},
      {true, false, pattern_monthly, 1, RecurrenceCheck::monthly_or_yearly},
      {true, false, pattern_yearly, 1, RecurrenceCheck::monthly_or_yearly},
      {true, false, pattern_yearly_nth, 1, RecurrenceCheck::monthly_or_yearly},
      {true, false, pattern_monthly_nth, 9, RecurrenceCheck::accepted},
      {true, false, 4, 9, RecurrenceCheck::accepted},
  };
  for (const auto& c : cases) {
    CMeetingInfo meeting;
    meeting.recurrence.recurring = c.recurring;
    meeting.recurrence.no_end_date = c.no_end_date;
    meeting.recurrence.pattern_type = c.pattern_type;
    meeting.recurrence.interval = c.interval;
    EXPECT_EQ(c.expected, meeting.check_recurrence())
        << "pattern " << c.pattern_type << " interval " << c.interval;
  }
}

TEST(UserInfoResponse, StoresHostTokenAndPersonalKeyWhateverTheCode) {
  CMeetingInfo meeting;
  EXPECT_TRUE(meeting.read_user_info_response(
      R"({"code":0,"data":{"id":"u1","name":"Ann Lee","token":"t-1","meetingKey":"pk-1"}})"));
  EXPECT_EQ("u1", meeting.host_user_id);
  EXPECT_EQ("Ann Lee", meeting.host_user_name);
  EXPECT_EQ("t-1", meeting.token);
  EXPECT_EQ("pk-1", meeting.personal_meeting_key);

  EXPECT_FALSE(meeting.read_user_info_response(R"({"code":401,"data":{"id":"u2"}})"));
  EXPECT_EQ("u2", meeting.host_user_id);
  EXPECT_EQ("", meeting.token);

  EXPECT_TRUE(meeting.read_user_info_response(R"({"data":{"id":7,"token":"t-3"}})"));
  EXPECT_EQ("7", meeting.host_user_id);  // a numeric id reads as its text
  EXPECT_EQ("t-3", meeting.token);
}

TEST(UserInfoResponse, MalformedTextChangesNothingAndCountsAsSuccess) {
  CMeetingInfo meeting = full_meeting();
  for (const char* text : {"", "<html>", "{\"code\":0,\"data\":{"}) {
    EXPECT_TRUE(meeting.read_user_info_response(text)) << text;
    EXPECT_EQ("tok", meeting.token);
    EXPECT_EQ("Host", meeting.host_user_name);
  }
}

TEST(UserInfoResponse, WrongTypedMembersFailAndChangeNothing) {
  for (const char* text :
       {R"({"code":"0","data":{"token":"x"}})", R"({"code":{},"data":{"token":"x"}})",
        R"({"code":0,"data":[{"token":"x"}]})", R"({"code":0,"data":"x"})",
        R"({"code":0,"data":{"token":{"v":"x"}}})",
        R"({"code":0,"data":{"token":"x","name":["n"]}})", R"({"code":1e12,"data":{"token":"x"}})",
        R"(["code",0])"}) {
    CMeetingInfo meeting = full_meeting();
    EXPECT_FALSE(meeting.read_user_info_response(text)) << text;
    EXPECT_EQ("tok", meeting.token) << text;
    EXPECT_EQ("hid", meeting.host_user_id) << text;
    EXPECT_EQ("pmk", meeting.personal_meeting_key) << text;
  }
}

}  // namespace
}  // namespace mivo

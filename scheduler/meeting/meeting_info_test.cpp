// Tests of the draft's change test and the service's recurrence check.
#include "meeting_info.h"

#include <gtest/gtest.h>

#include <functional>
#include <iterator>

namespace mivo {
namespace {

using namespace records;

CMeetingInfo full_meeting() {
  CMeetingInfo m;
  m.mute_on_entry = true;
  m.subject = "Subject";
  m.password = "1234";
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
  m.recipients = {{"a@example.com", "A"}, {"b@example.com", "B"}};
  return m;
}

TEST(MeetingCompare, EachUserFieldCountsAsAChange) {
  const CMeetingInfo snapshot = full_meeting();
  EXPECT_FALSE(full_meeting().differs_from(snapshot));
  const std::function<void(CMeetingInfo&)> changes[] = {
      [](CMeetingInfo& m) { m.subject = "subject"; },  // case counts
      [](CMeetingInfo& m) { m.password = ""; },
      [](CMeetingInfo& m) { m.duration = 31; },
      [](CMeetingInfo& m) { m.start += 1e-9; },  // no tolerance on the start
      [](CMeetingInfo& m) { m.mute_on_entry = false; },
      [](CMeetingInfo& m) { m.recurrence.recurring = false; },
      [](CMeetingInfo& m) { m.recurrence.pattern_type = pattern_weekly; },
      [](CMeetingInfo& m) { m.recurrence.no_end_date = true; },
      [](CMeetingInfo& m) { m.recipients.pop_back(); },
      [](CMeetingInfo& m) { std::swap(m.recipients[0].address, m.recipients[1].address); },
  };
  for (std::size_t i = 0; i < std::size(changes); ++i) {
    CMeetingInfo current = full_meeting();
    changes[i](current);
    EXPECT_TRUE(current.differs_from(snapshot)) << "change " << i;
  }
}

TEST(MeetingCompare, IgnoresTheFirstStartDisplayNamesAndSecondsOfPatternNoise) {
  const CMeetingInfo snapshot = full_meeting();
  CMeetingInfo current = full_meeting();
  current.first_start = 1.0;
  current.recipients[0].name = "Other";
  current.recipients[1].name = "Names";
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
    void (*change)(Recurrence&);
    bool differs;
  } cases[] = {
      {pattern_daily, 62, [](Recurrence& r) { r.interval = 7; }, false},
      {pattern_daily, 62, [](Recurrence& r) { r.day_of_week_mask = 2; }, true},
      {pattern_daily, 0, [](Recurrence& r) { r.interval = 7; }, true},
      {pattern_weekly, 2, [](Recurrence& r) { r.day_of_week_mask = 6; }, true},
      {pattern_weekly, 2, [](Recurrence& r) { r.interval = 3; }, true},
      {pattern_weekly, 2, [](Recurrence& r) { r.day_of_month = 3; }, false},
      {pattern_monthly, 0, [](Recurrence& r) { r.day_of_month = 3; }, true},
      {pattern_monthly, 0, [](Recurrence& r) { r.interval = 3; }, true},
      {pattern_monthly, 0, [](Recurrence& r) { r.day_of_week_mask = 8; }, false},
      {pattern_monthly_nth, 32, [](Recurrence& r) { r.instance = 2; }, true},
      {pattern_monthly_nth, 32, [](Recurrence& r) { r.day_of_week_mask = 8; }, true},
      {pattern_monthly_nth, 32, [](Recurrence& r) { r.interval = 2; }, true},
      {pattern_monthly_nth, 32, [](Recurrence& r) { r.month_of_year = 2; }, false},
      {pattern_yearly, 0, [](Recurrence& r) { r.month_of_year = 4; }, true},
      {pattern_yearly, 0, [](Recurrence& r) { r.day_of_month = 4; }, true},
      {pattern_yearly, 0, [](Recurrence& r) { r.interval = 4; }, false},
      {pattern_yearly_nth, 0, [](Recurrence& r) { r.interval = 4; }, true},
      {pattern_yearly_nth, 0, [](Recurrence& r) { r.instance = 4; }, false},
      {4, 0, [](Recurrence& r) { r.interval = 4; }, false},
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

}  // namespace
}  // namespace mivo

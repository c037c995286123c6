// The days of a series: the rules of each pattern type, counted or ended by a date.
#include "series.h"

#include <gtest/gtest.h>

#include "portable/oadate.h"

namespace mivo::outlookhost {
namespace {

int day_of(int year, int month, int day) {
  double when = 0;
  EXPECT_TRUE(system_time_to_variant_time(SystemTime{year, month, 0, day}, when));
  return static_cast<int>(when);
}

std::vector<std::string> dates(const std::vector<int>& days) {
  std::vector<std::string> texts;
  for (int day : days) texts.push_back(format_date(day));
  return texts;
}

constexpr long kMonday = 2, kWednesday = 8, kFriday = 32, kTuesday = 4;

TEST(Series, WeeklyOnSeveralDaysCountsEachDayAndSkipsTheWeeksBetween) {
  SeriesPattern weekly{1, 1, kMonday | kWednesday | kFriday, 0, 0, day_of(2030, 3, 4)};
  EXPECT_EQ((std::vector<std::string>{"2030-03-04", "2030-03-06", "2030-03-08", "2030-03-11",
                                      "2030-03-13", "2030-03-15"}),
            dates(series_days(weekly, 6)));
  weekly.interval = 2;
  weekly.day_of_week_mask = kMonday | kFriday;
  EXPECT_EQ((std::vector<std::string>{"2030-03-04", "2030-03-08", "2030-03-18", "2030-03-22"}),
            dates(series_days(weekly, 4)));
  // A first day that is not in the mask is not an occurrence.
  weekly.first_day = day_of(2030, 3, 5);
  EXPECT_EQ("2030-03-08", dates(series_days(weekly, 1)).at(0));
}

TEST(Series, MonthlyPatternsTakeTheNthOrLastWeekdayAndTheMonthsLastDay) {
  const SeriesPattern second_tuesday{3, 1, kTuesday, 0, 2, day_of(2030, 3, 12)};
  EXPECT_EQ((std::vector<std::string>{"2030-03-12", "2030-04-09", "2030-05-14"}),
            dates(series_days(second_tuesday, 3)));
  const SeriesPattern last_friday{3, 1, kFriday, 0, 5, day_of(2030, 3, 1)};
  EXPECT_EQ((std::vector<std::string>{"2030-03-29", "2030-04-26", "2030-05-31"}),
            dates(series_days(last_friday, 3)));
  const SeriesPattern thirty_first{2, 1, 0, 31, 0, day_of(2030, 1, 31)};
  EXPECT_EQ((std::vector<std::string>{"2030-01-31", "2030-02-28", "2030-03-31", "2030-04-30"}),
            dates(series_days(thirty_first, 4)));
  const SeriesPattern every_other{2, 2, 0, 15, 0, day_of(2030, 11, 15)};
  EXPECT_EQ((std::vector<std::string>{"2030-11-15", "2031-01-15"}),
            dates(series_days(every_other, 2)));
}

TEST(Series, DaysUntilAnEndDateIncludeIt) {
  const SeriesPattern every_second_day{0, 2, 0, 0, 0, day_of(2030, 3, 4)};
  EXPECT_EQ((std::vector<std::string>{"2030-03-04", "2030-03-06", "2030-03-08"}),
            dates(series_days_until(every_second_day, day_of(2030, 3, 8))));
  const SeriesPattern weekdays{0, 1, 62, 0, 0, day_of(2030, 3, 8)};
  EXPECT_EQ((std::vector<std::string>{"2030-03-08", "2030-03-11"}),
            dates(series_days_until(weekdays, day_of(2030, 3, 11))));
  EXPECT_TRUE(series_days_until(weekdays, day_of(2030, 3, 7)).empty());
}

TEST(Series, APatternThatNeverFallsEndsTheSearch) {
  EXPECT_TRUE(series_days(SeriesPattern{5, 1, 0, 1, 0, day_of(2030, 1, 1)}, 3).empty());
  EXPECT_TRUE(series_days(SeriesPattern{3, 1, 0, 0, 2, day_of(2030, 1, 1)}, 3).empty());
}

}  // namespace
}  // namespace mivo::outlookhost

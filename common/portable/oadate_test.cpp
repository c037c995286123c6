// Tests of the OLE Automation date conversion (compared with oleaut32 itself
// by oadate_wine_test).
#include "oadate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace mivo {
namespace {

SystemTime calendar(double date) {
  SystemTime time;
  EXPECT_TRUE(variant_time_to_system_time(date, time)) << date;
  return time;
}

double variant(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
  double date = std::numeric_limits<double>::quiet_NaN();
  EXPECT_TRUE(system_time_to_variant_time({year, month, 0, day, hour, minute, second, 0}, date));
  return date;
}

void expect_fields(const SystemTime& t, int year, int month, int day, int day_of_week, int hour,
                   int minute, int second) {
  EXPECT_EQ(year, t.year);
  EXPECT_EQ(month, t.month);
  EXPECT_EQ(day, t.day);
  EXPECT_EQ(day_of_week, t.day_of_week);
  EXPECT_EQ(hour, t.hour);
  EXPECT_EQ(minute, t.minute);
  EXPECT_EQ(second, t.second);
  EXPECT_EQ(0, t.milliseconds);
}

TEST(VariantTimeToSystemTime, ReadsDocumentedDatesAndTimes) {
  expect_fields(calendar(0.0), 1899, 12, 30, 6, 0, 0, 0);
  expect_fields(calendar(2.0), 1900, 1, 1, 1, 0, 0, 0);
  expect_fields(calendar(2.5), 1900, 1, 1, 1, 12, 0, 0);
  expect_fields(calendar(3.25), 1900, 1, 2, 2, 6, 0, 0);
  expect_fields(calendar(60.0), 1900, 2, 28, 3, 0, 0, 0);  // no 1900-02-29
  expect_fields(calendar(36585.0), 2000, 2, 29, 2, 0, 0, 0);
  expect_fields(calendar(-657434.0), 100, 1, 1, 5, 0, 0, 0);
  expect_fields(calendar(2958465.0), 9999, 12, 31, 5, 0, 0, 0);
}

TEST(VariantTimeToSystemTime, CountsTheFractionAwayFromZeroBeforeTheEpoch) {
  expect_fields(calendar(-1.25), 1899, 12, 29, 5, 6, 0, 0);
  expect_fields(calendar(-0.5), 1899, 12, 30, 6, 12, 0, 0);
  expect_fields(calendar(-1.75), 1899, 12, 29, 5, 18, 0, 0);
}

TEST(VariantTimeToSystemTime, RoundsToTheNearestSecond) {
  expect_fields(calendar(29221.7508765432), 1980, 1, 1, 2, 18, 1, 16);
  expect_fields(calendar(5.4 / 86400), 1899, 12, 30, 6, 0, 0, 5);
  expect_fields(calendar(5.5 / 86400), 1899, 12, 30, 6, 0, 0, 6);
}

TEST(VariantTimeToSystemTime, RoundingUpAtMidnightMovesToTheNextDay) {
  expect_fields(calendar(0.99999999), 1899, 12, 31, 0, 0, 0, 0);
  expect_fields(calendar(44286.99999999), 2021, 4, 1, 4, 0, 0, 0);
  // Before the epoch the next calendar day is the one nearer zero.
  expect_fields(calendar(-1.99999999), 1899, 12, 30, 6, 0, 0, 0);
  expect_fields(calendar(2958465.99999999), 10000, 1, 1, 6, 0, 0, 0);
}

TEST(VariantTimeToSystemTime, FailsOutsideItsRangeAndLeavesTheOutputAlone) {
  const SystemTime untouched{1, 2, 3, 4, 5, 6, 7, 8};
  for (double date : {-657435.0, 2958466.0, 1e300, -1e300, std::nan(""),
                      std::numeric_limits<double>::infinity()}) {
    SystemTime time = untouched;
    EXPECT_FALSE(variant_time_to_system_time(date, time)) << date;
    EXPECT_EQ(untouched.year, time.year);
    EXPECT_EQ(untouched.milliseconds, time.milliseconds);
  }
  SystemTime time;
  EXPECT_TRUE(variant_time_to_system_time(-657434.99999, time));
  EXPECT_TRUE(variant_time_to_system_time(2958465.99999, time));
}

TEST(SystemTimeToVariantTime, ConvertsDatesAndTimesAndIgnoresMilliseconds) {
  EXPECT_EQ(29221.0, variant(1980, 1, 1));
  EXPECT_EQ(0.0, variant(1899, 12, 30));
  EXPECT_EQ(-1.25, variant(1899, 12, 29, 6));
  EXPECT_EQ(2.5, variant(1900, 1, 1, 12));
  double date = 0;
  ASSERT_TRUE(system_time_to_variant_time({2021, 3, 0, 7, 9, 5, 0, 999}, date));
  EXPECT_EQ(variant(2021, 3, 7, 9, 5), date);
}

TEST(SystemTimeToVariantTime, RollsDaysAndTimesIntoNeighbouringUnits) {
  EXPECT_EQ(variant(2001, 3, 1), variant(2001, 2, 29));
  EXPECT_EQ(variant(2000, 12, 1), variant(2000, 11, 31));
  EXPECT_EQ(variant(1979, 12, 31), variant(1980, 1, 0));
  EXPECT_EQ(variant(1979, 12, 1), variant(1980, 0, 1));
  EXPECT_EQ(variant(2000, 1, 2), variant(2000, 1, 1, 24));
  EXPECT_EQ(variant(1999, 12, 31, 23, 59, 59), variant(2000, 1, 1, 0, 0, 65535));  // -1 s
}

TEST(SystemTimeToVariantTime, MapsTwoDigitYearsToTheWindowEndingIn2049) {
  EXPECT_EQ(variant(2000, 6, 1), variant(0, 6, 1));
  EXPECT_EQ(variant(2049, 6, 1), variant(49, 6, 1));
  EXPECT_EQ(variant(1950, 6, 1), variant(50, 6, 1));
  EXPECT_EQ(variant(1990, 12, 31), variant(90, 12, 31));
}

TEST(SystemTimeToVariantTime, RefusesImpossibleFieldsAndLeavesTheOutputAlone) {
  const SystemTime refused[] = {
      {1980, 13, 0, 1}, {1980, 1, 0, 32},    {10000, 1, 0, 1},        {-1, 1, 0, 1},
      {32768, 1, 0, 1}, {1980, 70000, 0, 1}, {1980, 1, 0, 1, -40000},
  };
  for (const SystemTime& time : refused) {
    double date = 42.0;
    EXPECT_FALSE(system_time_to_variant_time(time, date)) << time.year << "-" << time.month;
    EXPECT_EQ(42.0, date);
  }
}

TEST(OleDates, CalendarFieldsSurviveARoundTrip) {
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> dates(-657434.0, 2958465.0);
  for (int i = 0; i < 10000; ++i) {
    const double date = dates(random);
    double back = 0;
    ASSERT_TRUE(system_time_to_variant_time(calendar(date), back));
    EXPECT_NEAR(date, back, 0.5 / 86400) << date;
  }
}

TEST(OleDates, FormatsDateAndTimeOfDay) {
  const double start = variant(2021, 3, 7, 9, 5);
  EXPECT_EQ("2021-03-07", format_date(start));
  EXPECT_EQ("09:05", format_time(start));
  EXPECT_EQ("100-01-01", format_date(-657434.0));
  EXPECT_EQ("23:59", format_time(variant(2021, 3, 7, 23, 59, 59)));
  EXPECT_EQ("", format_date(1e9));
  EXPECT_EQ("", format_time(std::nan("")));
}

}  // namespace
}  // namespace mivo

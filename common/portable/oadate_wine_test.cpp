// Compares the portable date conversion with oleaut32's own functions over
// edge cases and many generated values, and prints the figures.
#include "oadate.h"

#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>

namespace mivo {
namespace {

constexpr double first_day = -657434.0;  // 0100-01-01
constexpr double last_day = 2958465.0;   // 9999-12-31

std::string describe(const SystemTime& t) {
  char text[96];
  std::snprintf(text, sizeof text, "%d-%02d-%02d (day %d) %02d:%02d:%02d.%03d", t.year, t.month,
                t.day, t.day_of_week, t.hour, t.minute, t.second, t.milliseconds);
  return text;
}

SystemTime from_win32(const SYSTEMTIME& st) {
  return {st.wYear, st.wMonth,  st.wDayOfWeek, st.wDay,
          st.wHour, st.wMinute, st.wSecond,    st.wMilliseconds};
}

SYSTEMTIME to_win32(const SystemTime& t) {
  SYSTEMTIME st;
  st.wYear = static_cast<WORD>(t.year);
  st.wMonth = static_cast<WORD>(t.month);
  st.wDayOfWeek = static_cast<WORD>(t.day_of_week);
  st.wDay = static_cast<WORD>(t.day);
  st.wHour = static_cast<WORD>(t.hour);
  st.wMinute = static_cast<WORD>(t.minute);
  st.wSecond = static_cast<WORD>(t.second);
  st.wMilliseconds = static_cast<WORD>(t.milliseconds);
  return st;
}

bool same_date_and_time(const SystemTime& a, const SystemTime& b) {
  return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour &&
         a.minute == b.minute && a.second == b.second && a.milliseconds == b.milliseconds;
}

bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

double wine_date(int year, int month, int day) {
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(year);
  st.wMonth = static_cast<WORD>(month);
  st.wDay = static_cast<WORD>(day);
  double date = 0;
  SystemTimeToVariantTime(&st, &date);
  return date;
}

// Wine's oleaut32 skips December when a day rolls forward past the end of
// November: 2000-11-31 and 2000-11-30 24:00 both give 2001-01-01, where
// Microsoft documents that a day beyond its month's end runs on into the next
// month. True when `t` makes oleaut32 roll across that boundary (its integer
// steps, which hold for the field sizes generated here).
bool rolls_past_november(const SystemTime& t) {
  const int month = static_cast<std::uint16_t>(t.month);
  const int day = static_cast<std::uint16_t>(t.day);
  int year = static_cast<std::int16_t>(t.year);
  if (month > 12 || day > 31 || year < 0 || year > 9999) {
    return false;
  }
  year += year < 50 ? 2000 : year < 100 ? 1900 : 0;
  if (month == 0) {
    return false;  // December of the year before: rolls on into January
  }
  int second = static_cast<std::int16_t>(t.second);
  int minute = static_cast<std::int16_t>(t.minute) + second / 60;
  int hour = static_cast<std::int16_t>(t.hour) + minute / 60;
  const int day_before_roll = day + hour / 24;
  return month <= 11 && wine_date(year, month, 1) + day_before_roll - 1 >= wine_date(year, 12, 1);
}

// Runs both conversions and counts agreements, known Wine departures and
// disagreements; differences() prints the figures and returns the last, for
// the test to assert on.
class DateComparison {
 public:
  explicit DateComparison(const char* what) : what_(what) {}

  void variant_time(double date) {
    ++compared_;
    SYSTEMTIME st{};
    SystemTime ours;
    const bool theirs_ok = VariantTimeToSystemTime(date, &st) != FALSE;
    const bool ours_ok = variant_time_to_system_time(date, ours);
    const SystemTime theirs = from_win32(st);
    if (theirs_ok != ours_ok || (theirs_ok && !same_date_and_time(theirs, ours))) {
      differ("%.17g: oleaut32 %s %s, ours %s %s", date, theirs_ok ? "ok" : "fails",
             describe(theirs).c_str(), ours_ok ? "ok" : "fails", describe(ours).c_str());
    } else if (theirs_ok && theirs.day_of_week != ours.day_of_week) {
      // Wine keeps the day of week of the day before when rounding reaches
      // midnight; any other day-of-week difference is a real one.
      const bool rounded_to_midnight =
          ours.hour == 0 && ours.minute == 0 && ours.second == 0 && date != std::trunc(date);
      if (rounded_to_midnight && theirs.day_of_week == (ours.day_of_week + 6) % 7) {
        ++wine_departures_;
      } else {
        differ("%.17g: oleaut32 %s, ours %s", date, describe(theirs).c_str(),
               describe(ours).c_str());
      }
    }
  }

  void system_time(const SystemTime& time) {
    ++compared_;
    SYSTEMTIME st = to_win32(time);
    double theirs = 0;
    double ours = 0;
    const bool theirs_ok = SystemTimeToVariantTime(&st, &theirs) != FALSE;
    const bool ours_ok = system_time_to_variant_time(time, ours);
    if (theirs_ok == ours_ok && (!theirs_ok || same_bits(theirs, ours))) {
      return;
    }
    if (theirs_ok && ours_ok && rolls_past_november(time)) {
      ++wine_departures_;
      return;
    }
    differ("%s: oleaut32 %s %.17g, ours %s %.17g", describe(time).c_str(),
           theirs_ok ? "ok" : "fails", theirs, ours_ok ? "ok" : "fails", ours);
  }

  long long differences() const {
    std::printf("%s: compared %lld, known Wine departures %lld, differences %lld\n", what_,
                compared_, wine_departures_, differences_);
    return differences_;
  }

 private:
  template <class... Args>
  void differ(const char* format, Args... args) {
    if (++differences_ <= 20) {
      std::printf(format, args...);
      std::printf("\n");
    }
  }

  const char* what_;
  long long compared_ = 0;
  long long wine_departures_ = 0;
  long long differences_ = 0;
};

TEST(OleDateComparison, EdgeDatesConvertLikeOleaut32) {
  DateComparison compare("edge dates");
  const double dates[] = {
      0.0,
      -0.0,
      0.5,
      -0.5,
      1.0,
      -1.0,
      -1.25,
      -1.75,
      2.5,
      3.25,
      -0.25,
      0.99999999,
      -0.99999999,
      1.99999999,
      -1.99999999,
      0.999994,
      0.999995,
      0.999996,
      59.0,
      60.0,
      61.0,  // 1900-02-28 to 03-01: 1900 is no leap year
      36585.0,
      36585.75,
      36586.0,  // 2000-02-29
      -36523.0,
      -36522.0,  // around 1800-01-01
      first_day,
      first_day - 0.5,
      first_day - 0.99999999,
      first_day - 1.0,
      first_day - 1.0 + 1e-9,
      first_day + 0.5,
      last_day,
      last_day + 0.5,
      last_day + 0.99998,
      last_day + 0.99999999,
      last_day + 1.0,
      last_day + 1.0 - 1e-9,
      1e12,
      -1e12,
      44262.378472222219,
      44286.0,
      44286.041666666664,
      29221.33333333,
      29221.9888884444,
      29221.7508765432,
  };
  for (double date : dates) {
    compare.variant_time(date);
  }
  EXPECT_EQ(0, compare.differences());
}

TEST(OleDateComparison, EverySecondAndHalfSecondOfSomeDaysConvertsLikeOleaut32) {
  DateComparison compare("every half second of 7 days");
  for (double day : {0.0, -1.0, 44262.0, -700.0, 36585.0, last_day, first_day}) {
    const double sign = day < 0 ? -1.0 : 1.0;
    for (int half_seconds = 0; half_seconds < 2 * 86400; ++half_seconds) {
      compare.variant_time(day + sign * (half_seconds / (2.0 * 86400.0)));
    }
  }
  for (int half_seconds = 0; half_seconds < 2 * 86400; ++half_seconds) {
    compare.variant_time(-(half_seconds / (2.0 * 86400.0)));  // 1899-12-30 from below zero
  }
  EXPECT_EQ(0, compare.differences());
}

TEST(OleDateComparison, RandomDatesAcrossTheRangeConvertLikeOleaut32) {
  DateComparison compare("random dates");
  std::mt19937_64 random(20210307);
  std::uniform_real_distribution<double> anywhere(first_day - 2.0, last_day + 2.0);
  std::uniform_real_distribution<double> recent(-3000.0, 60000.0);
  for (int i = 0; i < 500000; ++i) {
    compare.variant_time(anywhere(random));
    compare.variant_time(recent(random));
  }
  EXPECT_EQ(0, compare.differences());
}

TEST(OleDateComparison, SystemTimesWithFieldsAtTheirLimitsConvertLikeOleaut32) {
  DateComparison compare("system times at field limits");
  const int years[] = {0,    1,    29,   30,   49,   50,   99,    100,   101,   1582,
                       1899, 1900, 2000, 2021, 9998, 9999, 10000, 32767, 32768, 65535};
  const int months[] = {0, 1, 2, 3, 10, 11, 12, 13, 65535};
  const int days[] = {0, 1, 28, 29, 30, 31, 32, 65535};
  for (int year : years) {
    for (int month : months) {
      for (int day : days) {
        compare.system_time({year, month, 3, day, 0, 0, 0, 0});
        compare.system_time({year, month, 0, day, 23, 59, 59, 999});
      }
    }
  }
  const int hours[] = {0, 1, 23, 24, 25, 48, 1000, 65535, 64536};
  const int minutes[] = {0, 59, 60, 61, 1440, 65535};
  const int seconds[] = {0, 30, 59, 60, 4000, 65535};
  for (const SystemTime& date :
       {SystemTime{1899, 12, 0, 30}, SystemTime{1899, 12, 0, 29}, SystemTime{100, 1, 0, 1},
        SystemTime{9999, 12, 0, 31}, SystemTime{2020, 2, 0, 29}, SystemTime{2020, 11, 0, 30}}) {
    for (int hour : hours) {
      for (int minute : minutes) {
        for (int second : seconds) {
          SystemTime time = date;
          time.hour = hour;
          time.minute = minute;
          time.second = second;
          time.milliseconds = 500;
          compare.system_time(time);
        }
      }
    }
  }
  EXPECT_EQ(0, compare.differences());
}

TEST(OleDateComparison, RandomSystemTimesConvertLikeOleaut32) {
  DateComparison compare("random system times");
  std::mt19937_64 random(1899);
  std::uniform_int_distribution<int> year(0, 10001);
  std::uniform_int_distribution<int> month(0, 13);
  std::uniform_int_distribution<int> day(0, 32);
  std::uniform_int_distribution<int> hour(0, 25);
  std::uniform_int_distribution<int> sixty(0, 61);
  std::uniform_int_distribution<int> millisecond(0, 999);
  // Out-of-range counts both ways, small enough for oleaut32's 16-bit sums.
  std::uniform_int_distribution<int> count(-4000, 4000);
  const auto as_word = [](int value) { return value < 0 ? value + 65536 : value; };
  for (int i = 0; i < 300000; ++i) {
    compare.system_time({year(random), month(random), 0, day(random), hour(random), sixty(random),
                         sixty(random), millisecond(random)});
    compare.system_time({year(random), month(random), 0, day(random), as_word(count(random)),
                         as_word(count(random)), as_word(count(random)), 0});
  }
  EXPECT_EQ(0, compare.differences());
}

// The reading of a recurrence's end date takes the calendar day of a date
// at midnight: both directions in turn.
TEST(OleDateComparison, MidnightOfADateMatchesOleaut32) {
  std::mt19937_64 random(44286);
  std::uniform_real_distribution<double> anywhere(first_day - 1.0, last_day + 1.0);
  const double fixed[] = {44286.99999999, -1.5, 0.0, last_day + 0.9999999, -0.99999999};
  long long compared = 0;
  long long differences = 0;
  for (int i = 0; i < 300000; ++i) {
    const double date = i < 5 ? fixed[i] : anywhere(random);
    SYSTEMTIME st{};
    SystemTime ours;
    const bool theirs_ok = VariantTimeToSystemTime(date, &st) != FALSE;
    if (theirs_ok != variant_time_to_system_time(date, ours)) {
      ++differences;
      continue;
    }
    if (!theirs_ok) {
      continue;
    }
    ++compared;
    st.wHour = st.wMinute = st.wSecond = st.wMilliseconds = 0;
    ours.hour = ours.minute = ours.second = ours.milliseconds = 0;
    double theirs_midnight = 0;
    double ours_midnight = 0;
    const bool theirs_back = SystemTimeToVariantTime(&st, &theirs_midnight) != FALSE;
    const bool ours_back = system_time_to_variant_time(ours, ours_midnight);
    if (theirs_back != ours_back || (theirs_back && !same_bits(theirs_midnight, ours_midnight))) {
      if (++differences <= 20) {
        std::printf("%.17g: oleaut32 %.17g, ours %.17g\n", date, theirs_midnight, ours_midnight);
      }
    }
  }
  std::printf("midnight of a date: compared %lld, differences %lld\n", compared, differences);
  EXPECT_EQ(0, differences);
}

}  // namespace
}  // namespace mivo

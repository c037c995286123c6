// The end date a recurrence reads with, computed again through oleaut32's
// own conversions: the calendar day of the pattern end at midnight, plus
// one occurrence.
#include "meeting_info.h"

#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>

namespace mivo {
namespace {

double adjusted_by_oleaut32(double pattern_end, int minutes) {
  SYSTEMTIME day{};
  double midnight = 0;
  if (!VariantTimeToSystemTime(pattern_end, &day)) {
    return pattern_end;
  }
  day.wHour = day.wMinute = day.wSecond = day.wMilliseconds = 0;
  if (!SystemTimeToVariantTime(&day, &midnight)) {
    return pattern_end;
  }
  return midnight + minutes / 24.0 / 60.0;
}

std::string appointment(double pattern_end, int minutes) {
  char text[256];
  std::snprintf(text, sizeof text,
                "{\"IsRecurring\":1,\"Recurring\":{\"Duration\":%d,\"PatternEndDate\":%.17g}}",
                minutes, pattern_end);
  return text;
}

TEST(PatternEndComparison, ReadPatternEndMatchesOleaut32) {
  std::mt19937_64 random(20210331);
  std::uniform_real_distribution<double> dates(-700000.0, 3000000.0);
  std::uniform_int_distribution<int> minutes(0, 3000);
  const double fixed[] = {44286.0,     44286.5, 44286.99999999,   -1.25,
                          -0.99999999, 0.0,     2958465.99999999, -657434.5};
  long long differences = 0;
  const int count = 100000;
  for (int i = 0; i < count; ++i) {
    const double end = i < 8 ? fixed[i] : dates(random);
    const int length = i < 8 ? 1500 : minutes(random);
    records::AppointmentRecord record;
    records::read_appointment_record(appointment(end, length), record);
    CMeetingInfo meeting;
    meeting.take_appointment(record);
    const double expected = adjusted_by_oleaut32(end, length);
    if (std::memcmp(&expected, &meeting.recurrence.pattern_end_date, sizeof expected) != 0 &&
        ++differences <= 20) {
      std::printf("%.17g + %d min: oleaut32 %.17g, ours %.17g\n", end, length, expected,
                  meeting.recurrence.pattern_end_date);
    }
  }
  std::printf("pattern ends: compared %d, differences %lld\n", count, differences);
  EXPECT_EQ(0, differences);
}

}  // namespace
}  // namespace mivo

// Dates and the expansion of recurrences into occurrence dates.
#include "calendar.h"

#include "json_text.h"

#include <gtest/gtest.h>

namespace mivo::refservice {
namespace {

std::vector<std::string> expand(const std::string& record_json, size_t cap = 500) {
  const Json::Value record = *parse_json(record_json);
  const Date start = *parse_date(record["startDate"].asString());
  std::string error;
  const auto recurrence = read_recurrence(record, start, error);
  EXPECT_TRUE(recurrence) << error;
  std::vector<std::string> dates;
  if (!recurrence) return dates;
  for (long d : expand_occurrences(day_number(start), *recurrence, cap)) {
    dates.push_back(format_date(date_from_day_number(d)));
  }
  return dates;
}

std::string refusal(const std::string& record_json) {
  const Json::Value record = *parse_json(record_json);
  std::string error;
  EXPECT_FALSE(read_recurrence(record, *parse_date(record["startDate"].asString()), error));
  return error;
}

TEST(Calendar, DatesParseAsTheClientWritesThemAndRejectImpossibleDays) {
  ASSERT_TRUE(parse_date("2021-03-07"));
  EXPECT_EQ(format_date(*parse_date("2021-3-7")), "2021-03-07");
  EXPECT_EQ(format_date(*parse_date("2024-02-29")), "2024-02-29");
  EXPECT_FALSE(parse_date("2023-02-29"));
  EXPECT_FALSE(parse_date("2021-13-01"));
  EXPECT_FALSE(parse_date("2021-03-07x"));
  EXPECT_FALSE(parse_date("2021/03/07"));
  EXPECT_FALSE(parse_date(""));
  EXPECT_EQ(parse_time("09:05"), 545);
  EXPECT_EQ(parse_time("23:59"), 1439);
  EXPECT_FALSE(parse_time("24:00"));
  EXPECT_FALSE(parse_time("9:5"));
}

TEST(Calendar, DayNumbersRoundTripAndKnowTheWeekday) {
  for (long d = -800000; d < 800000; d += 997) {
    EXPECT_EQ(day_number(date_from_day_number(d)), d);
  }
  EXPECT_EQ(weekday(day_number({2021, 3, 7})), 7);    // a Sunday
  EXPECT_EQ(weekday(day_number({2000, 1, 3})), 1);    // a Monday
  EXPECT_EQ(weekday(day_number({1969, 12, 31})), 3);  // before the epoch
}

TEST(Calendar, SingleMeetingsAndUnknownTypesHaveOneOccurrence) {
  EXPECT_EQ(expand(R"({"startDate":"2021-03-07","type":0})"),
            std::vector<std::string>{"2021-03-07"});
  EXPECT_EQ(expand(R"({"startDate":"2021-03-07"})"), std::vector<std::string>{"2021-03-07"});
  EXPECT_EQ(expand(R"({"startDate":"2021-03-07","type":9,"endDate":"2021-04-01"})"),
            std::vector<std::string>{"2021-03-07"});
}

TEST(Calendar, DailySeriesStepByTheIntervalUpToTheEndDate) {
  EXPECT_EQ(
      expand(R"({"startDate":"2021-02-26","type":1,"freqInterval":2,"endDate":"2021-03-04"})"),
      (std::vector<std::string>{"2021-02-26", "2021-02-28", "2021-03-02", "2021-03-04"}));
  // Interval 0 from a sloppy client still moves forward.
  EXPECT_EQ(expand(R"({"startDate":"2021-03-01","type":1,"freqInterval":0,"endDate":"2021-03-02"})")
                .size(),
            2u);
}

TEST(Calendar, WorkdaySeriesSkipWeekends) {
  EXPECT_EQ(
      expand(R"({"startDate":"2021-03-05","type":2,"freqInterval":1,"endDate":"2021-03-09"})"),
      (std::vector<std::string>{"2021-03-05", "2021-03-08", "2021-03-09"}));
}

TEST(Calendar, WeeklySeriesUseTheListedDaysEveryNthWeek) {
  // Starts on a Wednesday: Monday of the first week is already past.
  EXPECT_EQ(
      expand(
          R"({"startDate":"2021-03-03","type":3,"freqInterval":1,"weeklyDayOfWeek":"1,3,5","endDate":"2021-03-10"})"),
      (std::vector<std::string>{"2021-03-03", "2021-03-05", "2021-03-08", "2021-03-10"}));
  // Saturday and Sunday ("6,7") every other week.
  EXPECT_EQ(
      expand(
          R"({"startDate":"2021-03-06","type":3,"freqInterval":2,"weeklyDayOfWeek":"6,7","endDate":"2021-03-21"})"),
      (std::vector<std::string>{"2021-03-06", "2021-03-07", "2021-03-20", "2021-03-21"}));
  // No day listed: the start's own weekday.
  EXPECT_EQ(
      expand(R"({"startDate":"2021-03-07","type":3,"weeklyDayOfWeek":"","endDate":"2021-03-14"})"),
      (std::vector<std::string>{"2021-03-07", "2021-03-14"}));
}

TEST(Calendar, MonthlySeriesFindTheNthOrLastWeekday) {
  EXPECT_EQ(
      expand(
          R"({"startDate":"2021-01-29","type":4,"freqInterval":1,"monthlyDayOfWeek":"5","monthlyWeekOfMonth":"-1","endDate":"2021-04-30"})"),
      (std::vector<std::string>{"2021-01-29", "2021-02-26", "2021-03-26", "2021-04-30"}));
  // Second Tuesday every third month, numbers given as JSON numbers.
  EXPECT_EQ(
      expand(
          R"({"startDate":"2021-01-12","type":4,"freqInterval":3,"monthlyDayOfWeek":2,"monthlyWeekOfMonth":2,"endDate":"2021-12-31"})"),
      (std::vector<std::string>{"2021-01-12", "2021-04-13", "2021-07-13", "2021-10-12"}));
  // An n-th weekday before the start in the first month is skipped.
  EXPECT_EQ(
      expand(
          R"({"startDate":"2021-01-20","type":4,"monthlyDayOfWeek":"1","monthlyWeekOfMonth":"1","endDate":"2021-02-28"})"),
      (std::vector<std::string>{"2021-02-01"}));
}

TEST(Calendar, SeriesWithoutEndDateStopAtTheCap) {
  EXPECT_EQ(expand(R"({"startDate":"2021-03-07","type":1})", 500).size(), 500u);
  EXPECT_EQ(expand(R"({"startDate":"2021-03-07","type":3,"weeklyDayOfWeek":"1,2,3"})", 7).size(),
            7u);
}

TEST(Calendar, UnusableRecurrenceMembersAreRefusedWithAReason) {
  EXPECT_NE(refusal(R"({"startDate":"2021-03-07","type":1,"endDate":"2021-03-06"})"), "");
  EXPECT_NE(refusal(R"({"startDate":"2021-03-07","type":1,"endDate":"soon"})"), "");
  EXPECT_NE(refusal(R"({"startDate":"2021-03-07","type":3,"weeklyDayOfWeek":"1,8"})"), "");
  EXPECT_NE(refusal(R"({"startDate":"2021-03-07","type":3,"weeklyDayOfWeek":"mon"})"), "");
  EXPECT_NE(refusal(R"({"startDate":"2021-03-07","type":4,"monthlyWeekOfMonth":"0"})"), "");
  EXPECT_NE(refusal(R"({"startDate":"2021-03-07","type":"weekly"})"), "");
  EXPECT_NE(refusal(R"({"startDate":"2021-03-07","type":1,"freqInterval":"x"})"), "");
}

}  // namespace
}  // namespace mivo::refservice

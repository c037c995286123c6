// The scenario language: what a script turns into, every mistake reported
// with its line, and the scripts shipped next to the host.
#include "scenario.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace mivo::outlookhost {
namespace {

std::vector<std::string> texts(const Step& step) {
  std::vector<std::string> result;
  for (const auto& argument : step.arguments) result.push_back(argument.text);
  return result;
}

TEST(Scenario, StepsKeepTheirLineArgumentsAndSource) {
  const Scenario scenario = parse_scenario(
      "# sign in first\n"
      "start\n"
      "\n"
      "answer sign-in bob \"pass word\"   # the robot types these\n"
      "type subject \"季度评审 \\\"Q1\\\" # not a comment\"\n"
      "type body \"line one\\nline two\"\n");
  ASSERT_TRUE(scenario.errors.empty());
  ASSERT_EQ(4u, scenario.steps.size());
  EXPECT_EQ(StepKind::Start, scenario.steps[0].kind);
  EXPECT_EQ(2, scenario.steps[0].line);
  EXPECT_EQ(StepKind::AnswerSignIn, scenario.steps[1].kind);
  EXPECT_EQ((std::vector<std::string>{"bob", "pass word"}), texts(scenario.steps[1]));
  EXPECT_EQ("answer sign-in bob \"pass word\"", scenario.steps[1].source);
  EXPECT_EQ((std::vector<std::string>{"subject", "季度评审 \"Q1\" # not a comment"}),
            texts(scenario.steps[2]));
  EXPECT_EQ("line one\nline two", scenario.steps[3].arguments[1].text);
}

TEST(Scenario, LongestPhraseWinsAndAQuotedWordIsNeverAKeyword) {
  const Scenario scenario = parse_scenario(
      "open request \"Design review\"\n"
      "open \"request\"\n"
      "type without leaving to \"Alice\"\n"
      "save and close\n"
      "answer organisation \"cancel\"\n"
      "answer organisation cancel\n"
      "expect property MIVO \"set\"\n"
      "expect property MIVO set\n");
  ASSERT_TRUE(scenario.errors.empty());
  const std::vector<StepKind> kinds = {StepKind::OpenRequest,        StepKind::Open,
                                       StepKind::TypeWithoutLeaving, StepKind::SaveAndClose,
                                       StepKind::AnswerOrganisation, StepKind::AnswerOrganisation,
                                       StepKind::ExpectProperty,     StepKind::ExpectProperty};
  ASSERT_EQ(kinds.size(), scenario.steps.size());
  for (std::size_t i = 0; i < kinds.size(); ++i) EXPECT_EQ(kinds[i], scenario.steps[i].kind) << i;
  EXPECT_TRUE(scenario.steps[4].arguments[0].quoted);
  EXPECT_FALSE(scenario.steps[5].arguments[0].quoted);
}

TEST(Scenario, EveryMistakeIsReportedWithItsLine) {
  const Scenario scenario = parse_scenario(
      "start\n"
      "clik MIVO-00_AccountSetting\n"
      "set start 2030-02-30 10:00\n"
      "type subject \"open\n"
      "answer meeting-options mute maybe\n"
      "type title \"x\"\n"
      "type body \"\\t\"\n"
      "expect windows two\n");
  ASSERT_EQ(7u, scenario.errors.size());
  EXPECT_EQ(2, scenario.errors[0].line);
  EXPECT_EQ("unknown step \"clik\"", scenario.errors[0].message);
  EXPECT_EQ("expected set start <date> <time>", scenario.errors[1].message);
  EXPECT_EQ("a quoted text is not closed", scenario.errors[2].message);
  EXPECT_NE(std::string::npos, scenario.errors[3].message.find("mute ok|cancel"));
  EXPECT_EQ(6, scenario.errors[4].line);
  EXPECT_NE(std::string::npos, scenario.errors[5].message.find("unknown escape"));
  EXPECT_EQ(8, scenario.errors[6].line);
  EXPECT_EQ(1u, scenario.steps.size());
}

TEST(Scenario, DatesRollOverMonthAndYearEndsAndImpossibleOnesAreRefused) {
  const CalendarDate new_years_eve{2029, 12, 31};
  CalendarDate date;
  ASSERT_TRUE(parse_date("tomorrow", new_years_eve, date));
  EXPECT_EQ(2030, date.year);
  EXPECT_EQ(1, date.month);
  EXPECT_EQ(1, date.day);
  ASSERT_TRUE(parse_date("+60d", new_years_eve, date));
  EXPECT_EQ(3, date.month);
  EXPECT_EQ(1, date.day);
  ASSERT_TRUE(parse_date("2032-02-29", new_years_eve, date));
  EXPECT_EQ(29, date.day);
  for (const char* bad : {"2030-02-29", "2030-13-01", "2030-1-01", "+d", "yesterday"})
    EXPECT_FALSE(parse_date(bad, new_years_eve, date)) << bad;

  int h = -1, m = -1, s = -1;
  ASSERT_TRUE(parse_time("09:30", h, m, s));
  EXPECT_EQ(9 * 3600 + 30 * 60, h * 3600 + m * 60 + s);
  ASSERT_TRUE(parse_time("23:59:58", h, m, s));
  EXPECT_EQ(58, s);
  for (const char* bad : {"24:00", "9:30", "10:60", "10:00:60"})
    EXPECT_FALSE(parse_time(bad, h, m, s)) << bad;
}

TEST(Scenario, TheShippedScriptsAreValid) {
  int scripts = 0;
  for (const auto& entry : std::filesystem::directory_iterator(MIVO_SCENARIO_DIR)) {
    if (entry.path().extension() != ".scenario") continue;
    ++scripts;
    std::ifstream file(entry.path());
    std::stringstream text;
    text << file.rdbuf();
    const Scenario scenario = parse_scenario(text.str());
    for (const auto& error : scenario.errors)
      ADD_FAILURE() << entry.path().filename() << ":" << error.line << ": " << error.message;
    EXPECT_FALSE(scenario.steps.empty()) << entry.path();
  }
  EXPECT_GT(scripts, 0);
}

}  // namespace
}  // namespace mivo::outlookhost

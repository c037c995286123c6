// The walkthrough's appointment record, dates and readable request records.
#include "walkthrough_text.h"

#include <gtest/gtest.h>

#include "json_text.h"
#include "portable/base64.h"

namespace mivo::demo {
namespace {

using mivo::refservice::RecordedRequest;

constexpr double kJanuary15At10 = 47498 + 10.0 / 24;  // 2030-01-15 10:00

TEST(AppointmentRecord, LeavesTheOrganiserOutAndEndsAfterTheDuration) {
  const Appointment appointment{"季度评审",
                                kJanuary15At10,
                                45,
                                {{"bob@example.com", "Bob Martin"},
                                 {"li.lei@example.com", "李雷"},
                                 {"alice@example.com", "Alice Walker"}}};
  const std::string text = appointment_record(appointment);
  const auto record = mivo::refservice::parse_json(text);
  ASSERT_TRUE(record.has_value()) << text;
  EXPECT_EQ("2030-01-15 10:45", describe_date((*record)["End"].asDouble()));
  const Json::Value& recipients = (*record)["Recipients"];
  ASSERT_EQ(2u, recipients.size());
  EXPECT_EQ("li.lei@example.com", recipients[0]["MailAddr"].asString());
  EXPECT_EQ("李雷", recipients[0]["Name"].asString());
  EXPECT_EQ("Alice Walker", recipients[1]["Name"].asString());
}

TEST(AppointmentRecord, OrganiserAloneGivesAnEmptyRecipientList) {
  const auto record = mivo::refservice::parse_json(
      appointment_record({"Solo", kJanuary15At10, 30, {{"bob@example.com", "Bob Martin"}}}));
  ASSERT_TRUE(record.has_value());
  EXPECT_TRUE((*record)["Recipients"].isArray());
  EXPECT_EQ(0u, (*record)["Recipients"].size());
}

TEST(NextDayAt, RollsOverMonthYearAndLeapDay) {
  const auto at = [](int year, int month, int day) {
    const auto date = next_day_at({year, month, 0, day, 17, 42, 31, 250}, 10, 0);
    return date ? describe_date(*date) : std::string("(none)");
  };
  EXPECT_EQ("2030-01-16 10:00", at(2030, 1, 15));
  EXPECT_EQ("2030-02-01 10:00", at(2030, 1, 31));
  EXPECT_EQ("2030-01-01 10:00", at(2029, 12, 31));
  EXPECT_EQ("2028-02-29 10:00", at(2028, 2, 28));
  EXPECT_EQ("2029-03-01 10:00", at(2029, 2, 28));
}

TEST(PasswordPreview, ShowsOnlyTheStartOfTheProtectedFormAndNeverAPlainPassword) {
  const std::string protected_form = "dpapi:" + std::string(200, 'A');
  const std::string preview = password_preview(protected_form);
  EXPECT_EQ(0u, preview.find("dpapi:AAAA")) << preview;
  EXPECT_EQ(std::string::npos, preview.find(std::string(25, 'A'))) << preview;
  EXPECT_NE(std::string::npos, preview.find("206 characters")) << preview;

  const std::string plain = password_preview("bob-pass");
  EXPECT_EQ(std::string::npos, plain.find("bob")) << plain;
  EXPECT_NE(std::string::npos, plain.find("not protected")) << plain;
  EXPECT_EQ("(not set)", password_preview(""));
}

TEST(Masked, CountsCharactersNotBytes) {
  EXPECT_EQ("\u2022\u2022\u2022\u2022\u2022", masked("密码123"));
  EXPECT_EQ("", masked(""));
}

RecordedRequest recorded(std::string method, std::string target, std::string body,
                         mivo::refservice::HeaderList headers = {}) {
  RecordedRequest request;
  request.method = std::move(method);
  request.target = std::move(target);
  request.body = std::move(body);
  request.headers = std::move(headers);
  request.received_us = 1'000'000;
  request.answered_us = 1'002'500;
  return request;
}

TEST(DescribeRequest, ShowsJsonAsReadableTextAndNotesTheTerminator) {
  const auto lines = describe_request(
      recorded("POST", "/rest/api/change/user",
               std::string("{\"userId\":\"20012\",\"userName\":\"\\u674e\\u96f7\"}\n") + '\0',
               {{"Host", "127.0.0.1"}, {"Token", "abc123"}}));
  ASSERT_EQ(4u, lines.size());
  EXPECT_EQ("POST /rest/api/change/user", lines[0]);
  EXPECT_EQ("  token: abc123", lines[1]);
  EXPECT_EQ("  body: {\"userId\":\"20012\",\"userName\":\"李雷\"} + NUL terminator", lines[2]);
  EXPECT_EQ("  answered in 2.5 ms", lines[3]);
}

TEST(DescribeRequest, TellsAMissingTokenFromAnEmptyOneAndEmptyFromAbsentBodies) {
  const auto bare = describe_request(recorded("GET", "/rest/version/outlook/1.0", ""));
  EXPECT_EQ("  token: (no header)", bare[1]);
  EXPECT_EQ("  body: none", bare[2]);

  auto dropped = recorded("DELETE", "/rest/api/conference/schedule?id=1&type=1",
                          std::string(1, '\0'), {{"token", ""}});
  dropped.answered_us = 0;
  const auto lines = describe_request(dropped);
  EXPECT_EQ("DELETE /rest/api/conference/schedule?id=1&type=1", lines[0]);
  EXPECT_EQ("  token: (empty)", lines[1]);
  EXPECT_EQ("  body: (empty) + NUL terminator", lines[2]);
  EXPECT_EQ("  not answered", lines[3]);

  EXPECT_EQ("  body: 5 bytes, not JSON", describe_request(recorded("PUT", "/x", "{oops"))[2]);
}

TEST(JoinQuery, DecodesTheServicesJoinPageOnly) {
  const std::string query = "action=join&key=8810010002&user=李雷&t=12&token=abc";
  const std::string base = "http://127.0.0.1:47380";
  EXPECT_EQ(query, join_query(base + "/meet/?" + mivo::base64_encode(query), base));
  EXPECT_FALSE(join_query("http://127.0.0.1:9/meet/?" + mivo::base64_encode(query), base));
  EXPECT_FALSE(join_query(base + "/meet/?not base64!", base));
  EXPECT_EQ(
      (std::vector<std::string>{"action=join", "key=8810010002", "user=李雷", "t=12", "token=abc"}),
      split(query, '&'));
}

}  // namespace
}  // namespace mivo::demo

// Readable lines of recorded requests.
#include "recorded_request_text.h"

#include <gtest/gtest.h>

namespace mivo::refservice {
namespace {

RecordedRequest recorded(std::string method, std::string target, std::string body,
                         HeaderList headers = {}) {
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

}  // namespace
}  // namespace mivo::refservice

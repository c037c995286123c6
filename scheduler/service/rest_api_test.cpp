// The REST messages: URLs as the service expects them byte for byte, the
// request bodies against golden texts, and the envelope reader's verdicts.
#include "rest_api.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace mivo::rest {
namespace {

std::string golden(const std::string& name) {
  std::ifstream file(std::string(MIVO_SERVICE_TESTDATA) + "/" + name, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

TEST(RestUrls, AppendPathsToTheBaseWithoutInsertingOrStripping) {
  EXPECT_EQ(login_url("https://m.test"), "https://m.test/rest/login");
  EXPECT_EQ(user_info_url("https://m.test"), "https://m.test/rest/api/conference/user/info");
  EXPECT_EQ(change_user_url("https://m.test"), "https://m.test/rest/api/change/user");
  EXPECT_EQ(login_url("https://m.test/"), "https://m.test//rest/login");
  EXPECT_EQ(login_url(""), "/rest/login");
}

TEST(RestUrls, AddressSingleInstancesOfASeriesForOccurrencesAndExceptions) {
  const std::string base = "http://127.0.0.1:9";
  for (int state : {0, 1}) {
    EXPECT_EQ(schedule_save_url(base, state), base + "/rest/api/conference/schedule");
    EXPECT_EQ(schedule_delete_url(base, "c1", state),
              base + "/rest/api/conference/schedule?id=c1&type=1");
  }
  for (int state : {2, 3}) {
    EXPECT_EQ(schedule_save_url(base, state), base + "/rest/api/conference/schedule/single");
    EXPECT_EQ(schedule_delete_url(base, "c1", state),
              base + "/rest/api/conference/schedule?id=c1&type=0");
  }
  EXPECT_EQ(schedule_delete_url(base, "", 0), base + "/rest/api/conference/schedule?id=&type=1");
  EXPECT_EQ(schedule_query_url(base, "K-1"), base + "/rest/api/conference/schedule/K-1");
  EXPECT_EQ(schedule_query_url(base, ""), base + "/rest/api/conference/schedule/");
}

TEST(RestUrls, KeysAndIdentifiersCannotReshapeThePathOrTheQuery) {
  const std::string base = "https://m.test";
  EXPECT_EQ(schedule_query_url(base, "9100000001"),
            base + "/rest/api/conference/schedule/9100000001");
  EXPECT_EQ(schedule_query_url(base, "../../user/info?x=1#"),
            base + "/rest/api/conference/schedule/%2E%2E%2F%2E%2E%2Fuser%2Finfo%3Fx%3D1%23");
  EXPECT_EQ(schedule_delete_url(base, "50000001&type=1", 2),
            base + "/rest/api/conference/schedule?id=50000001%26type%3D1&type=0");
  EXPECT_EQ(schedule_delete_url(base, "a b\r\n%", 0),
            base + "/rest/api/conference/schedule?id=a%20b%0D%0A%25&type=1");
  EXPECT_EQ(url_component("会"), "%E4%BC%9A");
  EXPECT_EQ(url_component("AZaz09-_~"), "AZaz09-_~");
}

TEST(RestUrls, VersionPathsEndWithTheInstalledVersionOrTheBareSlash) {
  EXPECT_EQ(release_version_url("https://m.test", "1.2.3"),
            "https://m.test/rest/version/outlook/1.2.3");
  EXPECT_EQ(release_version_url("https://m.test", ""), "https://m.test/rest/version/outlook/");
  EXPECT_EQ(gray_version_url("https://m.test", "1.2.3"),
            "https://m.test/rest/api/grayscale/version/outlook/1.2.3");
}

TEST(RestHeader, EmptyTokenSendsBareTokenHeader) {
  EXPECT_EQ(token_header(""), "token:");
  EXPECT_EQ(token_header("abc.def"), "token:abc.def");
}

TEST(RestBodies, LoginBodyMatchesGoldenText) {
  EXPECT_EQ(login_body("张三", "p\"w\\d 密"), golden("login_body.golden"));
}

TEST(RestBodies, ChangeUserBodyMatchesGoldenText) {
  EXPECT_EQ(change_user_body("org-7", "张三"), golden("change_user_body.golden"));
}

TEST(RestEnvelope, TellsNoAnswerMalformedRefusedAndSuccessApart) {
  EXPECT_EQ(outcome(read_envelope("")), Outcome::no_answer);
  EXPECT_EQ(outcome(read_envelope("<html>502</html>")), Outcome::malformed);
  EXPECT_EQ(outcome(read_envelope("{\"code\":")), Outcome::malformed);
  EXPECT_EQ(outcome(read_envelope("{\"code\":-1}")), Outcome::refused);
  EXPECT_EQ(outcome(read_envelope("{\"code\":0,\"data\":{}}")), Outcome::success);
  // An absent or null code is success, as the service omits it then.
  EXPECT_EQ(outcome(read_envelope("{\"data\":{}}")), Outcome::success);
  EXPECT_EQ(outcome(read_envelope("{\"code\":null}")), Outcome::success);
}

TEST(RestEnvelope, AnythingButAnObjectWithAnIntegerCodeIsMalformed) {
  for (const char* text :
       {"null", "0", "[]", "\"ok\"", "{\"code\":\"0\"}", "{\"code\":{}}", "{\"code\":1e12}"}) {
    SCOPED_TRACE(text);
    const Envelope envelope = read_envelope(text);
    EXPECT_TRUE(envelope.parsed);
    EXPECT_EQ(outcome(envelope), Outcome::malformed);
    EXPECT_FALSE(envelope.ok());
  }
}

TEST(RestEnvelope, KeepsTheCodeAndDataOfARefusal) {
  const Envelope envelope = read_envelope("/* note */ {\"code\":-602,\"data\":{\"a\":1}}");
  EXPECT_EQ(envelope.code, -602);
  EXPECT_EQ(envelope.data["a"].asInt(), 1);
  EXPECT_EQ(schedule_save_message(envelope), 110);
  EXPECT_EQ(schedule_save_message(read_envelope("{\"code\":-601}")), 0);
  EXPECT_EQ(schedule_save_message(read_envelope("")), 108);
  EXPECT_EQ(schedule_save_message(read_envelope("oops")), 108);
}

TEST(RestEnvelope, DataStringReadsOnlyStrings) {
  EXPECT_EQ(data_string(read_envelope("{\"data\":{\"newVersion\":\"2.0\"}}"), "newVersion"), "2.0");
  for (const char* text : {"{\"data\":{\"newVersion\":2}}", "{\"data\":{\"newVersion\":null}}",
                           "{\"data\":[\"2.0\"]}", "{\"data\":\"2.0\"}", "{}"}) {
    SCOPED_TRACE(text);
    EXPECT_EQ(data_string(read_envelope(text), "newVersion"), "");
  }
}

}  // namespace
}  // namespace mivo::rest

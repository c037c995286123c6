// The REST endpoints over an in-memory state: what later tests of the
// product rely on when they talk to the reference service.
#include "rest_api.h"

#include "invitation.h"
#include "json_text.h"

#include <gtest/gtest.h>

namespace mivo::refservice {
namespace {

class RestApiTest : public ::testing::Test {
 protected:
  Reply raw(const std::string& method, const std::string& target, const std::string& body = "",
            std::optional<std::string> token = std::nullopt) {
    Exchange x;
    x.method = method;
    const size_t q = target.find('?');
    x.path = target.substr(0, q);
    x.query = q == std::string::npos ? "" : target.substr(q + 1);
    x.token = std::move(token);
    x.body = body;
    x.base_url = "http://127.0.0.1:47400";
    return serve_rest(state, x, [this] { return "token-" + std::to_string(++issued); });
  }

  Json::Value call(const std::string& method, const std::string& target,
                   const std::string& body = "", std::optional<std::string> token = std::nullopt) {
    const Reply reply = raw(method, target, body, std::move(token));
    EXPECT_EQ(reply.status, 200);
    EXPECT_EQ(reply.content_type, kJsonType);
    auto answer = parse_json(reply.body);
    EXPECT_TRUE(answer) << reply.body;
    return answer ? *answer : Json::Value();
  }

  std::string login(const std::string& user, const std::string& password) {
    const Json::Value answer =
        call("POST", "/rest/login",
             R"({"password":")" + password + R"(","username":")" + user + "\"}\n");
    EXPECT_EQ(answer["code"].asInt(), 0);
    return answer["data"]["token"].asString();
  }

  // A conference record as the scheduler writes it, with extra members.
  static std::string record(const std::string& extra, const std::string& date = "2030-03-07",
                            const std::string& time = "09:05") {
    return R"({"allowParticipantOpenAudio":true,"duration":30,"enterMeetMute":false,)"
           R"("hostUserId":"10001","hostUserName":"Alice Walker","notification":0,"outlook":true,)"
           R"("startDate":")" +
           date + R"(","startTime":")" + time + R"(","subject":"Weekly sync")" +
           (extra.empty() ? "" : "," + extra) + "}\n";
  }

  Json::Value create(const std::string& token, const std::string& extra = "",
                     const std::string& date = "2030-03-07", const std::string& time = "09:05") {
    return call("POST", "/rest/api/conference/schedule", record(extra, date, time), token);
  }

  Json::Value lookup(const std::string& token, const std::string& key) {
    return call("GET", "/rest/api/conference/schedule/" + key, "", token);
  }

  static std::vector<std::string> dates(const Json::Value& lookup_answer) {
    std::vector<std::string> out;
    for (const Json::Value& e : lookup_answer["data"]) out.push_back(e["startDate"].asString());
    return out;
  }

  State state = initial_state();
  int issued = 0;
};

TEST_F(RestApiTest, LoginOfASingleOrganisationUserAnswersIdentityAndOneAccount) {
  const Json::Value answer =
      call("POST", "/rest/login",
           std::string(R"({"password":"alice-pass","username":"alice"})") + "\n" + '\0');
  EXPECT_EQ(answer["code"].asInt(), 0);
  const Json::Value& data = answer["data"];
  EXPECT_EQ(data["token"].asString(), "token-1");
  EXPECT_EQ(data["id"].asString(), "10001");
  EXPECT_EQ(data["name"].asString(), "Alice Walker");
  EXPECT_EQ(data["meetingKey"].asString(), "8810010001");
  ASSERT_EQ(data["accountList"].size(), 1u);
  EXPECT_EQ(data["accountList"][0]["orgName"].asString(), "Mivo Demo");
}

TEST_F(RestApiTest, LoginOfAMultiOrganisationUserListsAccountsAsStored) {
  const Json::Value list = call(
      "POST", "/rest/login", R"({"password":"bob-pass","username":"bob"})")["data"]["accountList"];
  ASSERT_EQ(list.size(), 5u);
  EXPECT_EQ(list[0]["orgName"].asString(), "Zeta Works");
  EXPECT_EQ(list[2]["orgName"].asString(), "Beta Labs");
  EXPECT_EQ(list[4]["orgName"].asString(), "Beta Labs");
  EXPECT_NE(list[2]["id"].asString(), list[4]["id"].asString());
}

TEST_F(RestApiTest, LoginMatchesNonAsciiNamesWhetherEscapedOrRawUtf8) {
  EXPECT_EQ(call("POST", "/rest/login",
                 R"({"password":"\u5bc6\u7801123","username":"\u674e\u96f7"})")["code"]
                .asInt(),
            0);
  const Json::Value answer =
      call("POST", "/rest/login", R"({"password":"密码123","username":"李雷"})");
  EXPECT_EQ(answer["code"].asInt(), 0);
  EXPECT_EQ(answer["data"]["name"].asString(), "李雷");
}

TEST_F(RestApiTest, LoginRefusesWrongPasswordsUnknownUsersAndUnreadableBodies) {
  EXPECT_EQ(
      call("POST", "/rest/login", R"({"password":"alice","username":"alice"})")["code"].asInt(),
      kBadCredentials);
  EXPECT_EQ(call("POST", "/rest/login", R"({"password":"alice-pass","username":"Alice"})")["code"]
                .asInt(),
            kBadCredentials);
  EXPECT_EQ(call("POST", "/rest/login", R"({"password":"alice-pass")")["code"].asInt(),
            kBadRequest);
  EXPECT_EQ(call("POST", "/rest/login", R"({"password":1,"username":"alice"})")["code"].asInt(),
            kBadRequest);
  EXPECT_EQ(call("POST", "/rest/login", "")["code"].asInt(), kBadRequest);
  EXPECT_TRUE(state.sessions.empty());
  EXPECT_TRUE(call("POST", "/rest/login", "")["data"].isNull());
}

TEST_F(RestApiTest, ChangeUserIssuesADistinctOrganisationTokenThatUserInfoKnows) {
  const std::string login_token = login("bob", "bob-pass");
  const Json::Value answer =
      call("POST", "/rest/api/change/user", R"({"userId":"20015","userName":"bob"})", login_token);
  ASSERT_EQ(answer["code"].asInt(), 0);
  const std::string org_token = answer["data"]["token"].asString();
  EXPECT_NE(org_token, login_token);

  const Json::Value info = call("GET", "/rest/api/conference/user/info", "", org_token);
  EXPECT_EQ(info["code"].asInt(), 0);
  EXPECT_EQ(info["data"]["id"].asString(), "20015");
  EXPECT_EQ(info["data"]["name"].asString(), "Bob Martin");
  EXPECT_EQ(info["data"]["token"].asString(), org_token);
  EXPECT_EQ(info["data"]["meetingKey"].asString(), "8810010002");
  // The sign-in token stays valid and still stands for the user.
  EXPECT_EQ(call("GET", "/rest/api/conference/user/info", "", login_token)["data"]["id"].asString(),
            "10002");
}

TEST_F(RestApiTest, ChangeUserRefusesForeignAccountsOtherNamesAndBadTokens) {
  const std::string token = login("bob", "bob-pass");
  EXPECT_EQ(
      call("POST", "/rest/api/change/user", R"({"userId":"20001","userName":"bob"})", token)["code"]
          .asInt(),
      kForbidden);
  EXPECT_EQ(call("POST", "/rest/api/change/user", R"({"userId":"20011","userName":"alice"})",
                 token)["code"]
                .asInt(),
            kForbidden);
  EXPECT_EQ(call("POST", "/rest/api/change/user", R"({"userId":"20011","userName":"bob"})",
                 "nope")["code"]
                .asInt(),
            kTokenInvalid);
  EXPECT_EQ(call("POST", "/rest/api/change/user", R"({"userId":"20011","userName":"bob"})")["code"]
                .asInt(),
            kTokenInvalid);
  EXPECT_EQ(call("POST", "/rest/api/change/user", "{", token)["code"].asInt(), kBadRequest);
}

TEST_F(RestApiTest, UserInfoRefusesMissingEmptyAndUnknownTokens) {
  EXPECT_EQ(call("GET", "/rest/api/conference/user/info")["code"].asInt(), kTokenInvalid);
  EXPECT_EQ(call("GET", "/rest/api/conference/user/info", "", "")["code"].asInt(), kTokenInvalid);
  EXPECT_EQ(call("GET", "/rest/api/conference/user/info", "", "token-99")["code"].asInt(),
            kTokenInvalid);
}

TEST_F(RestApiTest, CreateAnswersAKeyAndAnInvitationWithLiteralBackslashN) {
  const std::string token = login("alice", "alice-pass");
  const Json::Value answer = create(token, R"("password":"1234")");
  ASSERT_EQ(answer["code"].asInt(), 0);
  const std::string key = answer["data"]["meetingKey"].asString();
  const std::string mail = answer["data"]["mailContent"].asString();
  EXPECT_FALSE(key.empty());
  EXPECT_EQ(mail.find('\n'), std::string::npos);
  EXPECT_NE(mail.find("\\n会议主题：Weekly sync\\n"), std::string::npos) << mail;
  EXPECT_NE(mail.find("2030-03-07 09:05"), std::string::npos);
  EXPECT_NE(mail.find("会议号：" + key), std::string::npos);
  EXPECT_NE(mail.find("会议密码：1234"), std::string::npos);
  EXPECT_NE(mail.find("http://127.0.0.1:47400/" + key), std::string::npos);
  ASSERT_EQ(state.meetings.size(), 1u);
  EXPECT_EQ(state.meetings[0].record["subject"].asString(), "Weekly sync");

  const Json::Value found = lookup(token, key);
  EXPECT_EQ(found["code"].asInt(), 0);
  ASSERT_EQ(found["data"].size(), 1u);
  EXPECT_EQ(found["data"][0]["startDate"].asString(), "2030-03-07");
  EXPECT_FALSE(found["data"][0]["id"].asString().empty());
}

TEST_F(RestApiTest, ASeriesIsLookedUpAsItsOccurrences) {
  const std::string token = login("alice", "alice-pass");
  const std::string key =
      create(token, R"("type":3,"freqInterval":1,"weeklyDayOfWeek":"1,3,5","endDate":"2030-03-13")",
             "2030-03-04")["data"]["meetingKey"]
          .asString();
  const Json::Value found = lookup(token, key);
  EXPECT_EQ(dates(found), (std::vector<std::string>{"2030-03-04", "2030-03-06", "2030-03-08",
                                                    "2030-03-11", "2030-03-13"}));
  std::set<std::string> ids;
  for (const Json::Value& e : found["data"]) ids.insert(e["id"].asString());
  EXPECT_EQ(ids.size(), 5u);
  EXPECT_NE(state.meetings[0].mail_content.find("重复周期：每周一、三、五，至2030-03-13"),
            std::string::npos);
}

TEST_F(RestApiTest, UpdateReplacesTheRecordAndKeepsIdentifiersOfUnmovedOccurrences) {
  const std::string token = login("alice", "alice-pass");
  const std::string key =
      create(token, R"("type":1,"freqInterval":1,"endDate":"2030-03-09")")["data"]["meetingKey"]
          .asString();
  const Json::Value before = lookup(token, key);
  const Json::Value answer =
      call("PUT", "/rest/api/conference/schedule",
           record(R"("meetingKey":")" + key + R"(","conferenceId":")" +
                      before["data"][0]["id"].asString() +
                      R"(","type":1,"freqInterval":1,"endDate":"2030-03-10")",
                  "2030-03-08"),
           token);
  ASSERT_EQ(answer["code"].asInt(), 0);
  EXPECT_EQ(answer["data"]["meetingKey"].asString(), key);
  const Json::Value after = lookup(token, key);
  EXPECT_EQ(dates(after), (std::vector<std::string>{"2030-03-08", "2030-03-09", "2030-03-10"}));
  EXPECT_EQ(after["data"][0]["id"], before["data"][1]["id"]);
  EXPECT_EQ(after["data"][1]["id"], before["data"][2]["id"]);
  EXPECT_EQ(state.meetings[0].record["endDate"].asString(), "2030-03-10");
}

TEST_F(RestApiTest, ASingleMeetingKeepsItsIdentifierWhenMoved) {
  const std::string token = login("alice", "alice-pass");
  const std::string key = create(token)["data"]["meetingKey"].asString();
  const std::string id = lookup(token, key)["data"][0]["id"].asString();
  ASSERT_EQ(call("PUT", "/rest/api/conference/schedule",
                 record(R"("meetingKey":")" + key + "\"", "2030-04-01", "14:00"), token)["code"]
                .asInt(),
            0);
  const Json::Value after = lookup(token, key);
  EXPECT_EQ(dates(after), std::vector<std::string>{"2030-04-01"});
  EXPECT_EQ(after["data"][0]["id"].asString(), id);
}

TEST_F(RestApiTest, UpdatesNeedAnExistingOwnMeeting) {
  const std::string alice = login("alice", "alice-pass");
  const std::string bob = login("bob", "bob-pass");
  const std::string key = create(alice)["data"]["meetingKey"].asString();
  EXPECT_EQ(call("PUT", "/rest/api/conference/schedule", record(""), alice)["code"].asInt(),
            kBadRequest);
  EXPECT_EQ(
      call("PUT", "/rest/api/conference/schedule", record(R"("meetingKey":"1")"), alice)["code"]
          .asInt(),
      kNotFound);
  EXPECT_EQ(call("PUT", "/rest/api/conference/schedule", record(R"("meetingKey":")" + key + "\""),
                 bob)["code"]
                .asInt(),
            kForbidden);
  EXPECT_EQ(lookup(bob, key)["code"].asInt(), kForbidden);
  EXPECT_EQ(lookup(alice, "")["code"].asInt(), kBadRequest);
  EXPECT_EQ(lookup(alice, "404")["code"].asInt(), kNotFound);
}

TEST_F(RestApiTest, SingleOccurrenceUpdateMovesOnlyThatOccurrence) {
  const std::string token = login("alice", "alice-pass");
  const std::string key =
      create(token, R"("type":1,"freqInterval":1,"endDate":"2030-03-09")")["data"]["meetingKey"]
          .asString();
  const std::string second = lookup(token, key)["data"][1]["id"].asString();
  const Json::Value answer =
      call("PUT", "/rest/api/conference/schedule/single",
           record(R"("meetingKey":")" + key + R"(","conferenceId":")" + second +
                      R"(","type":1,"freqInterval":1,"endDate":"2030-03-09")",
                  "2030-03-12", "16:30"),
           token);
  ASSERT_EQ(answer["code"].asInt(), 0);
  EXPECT_EQ(answer["data"]["meetingKey"].asString(), key);
  // The single occurrence's invitation names its own date, not the series.
  EXPECT_NE(answer["data"]["mailContent"].asString().find("2030-03-12 16:30"), std::string::npos);
  EXPECT_EQ(answer["data"]["mailContent"].asString().find("重复周期"), std::string::npos);
  const Json::Value after = lookup(token, key);
  EXPECT_EQ(dates(after), (std::vector<std::string>{"2030-03-07", "2030-03-09", "2030-03-12"}));
  EXPECT_EQ(after["data"][2]["id"].asString(), second);
  EXPECT_EQ(call("PUT", "/rest/api/conference/schedule/single",
                 record(R"("meetingKey":")" + key + R"(","conferenceId":"0")"), token)["code"]
                .asInt(),
            kNotFound);
}

TEST_F(RestApiTest, CreatingASingleOccurrenceWithoutKeyMakesAOneDayMeeting) {
  const std::string token = login("alice", "alice-pass");
  const Json::Value answer =
      call("POST", "/rest/api/conference/schedule/single",
           record(R"("type":1,"freqInterval":1,"endDate":"2030-03-20")"), token);
  ASSERT_EQ(answer["code"].asInt(), 0);
  EXPECT_EQ(dates(lookup(token, answer["data"]["meetingKey"].asString())),
            std::vector<std::string>{"2030-03-07"});
}

TEST_F(RestApiTest, DeleteTypeZeroRemovesOneOccurrenceAndTypeOneTheMeeting) {
  const std::string token = login("alice", "alice-pass");
  const std::string key =
      create(token, R"("type":1,"freqInterval":1,"endDate":"2030-03-09")")["data"]["meetingKey"]
          .asString();
  const Json::Value ids = lookup(token, key)["data"];
  EXPECT_EQ(
      call("DELETE", "/rest/api/conference/schedule?id=" + ids[1]["id"].asString() + "&type=0", "",
           token)["code"]
          .asInt(),
      0);
  EXPECT_EQ(dates(lookup(token, key)), (std::vector<std::string>{"2030-03-07", "2030-03-09"}));
  // A later update of the series does not bring the deleted day back.
  call("PUT", "/rest/api/conference/schedule",
       record(R"("meetingKey":")" + key + R"(","type":1,"freqInterval":1,"endDate":"2030-03-09")"),
       token);
  EXPECT_EQ(dates(lookup(token, key)), (std::vector<std::string>{"2030-03-07", "2030-03-09"}));

  EXPECT_EQ(
      call("DELETE", "/rest/api/conference/schedule?id=" + ids[2]["id"].asString() + "&type=1", "",
           token)["code"]
          .asInt(),
      0);
  EXPECT_EQ(lookup(token, key)["code"].asInt(), kNotFound);
  EXPECT_TRUE(state.meetings.empty());
}

TEST_F(RestApiTest, DeletingTheLastOccurrenceRemovesTheMeeting) {
  const std::string token = login("alice", "alice-pass");
  const std::string key = create(token)["data"]["meetingKey"].asString();
  const std::string id = lookup(token, key)["data"][0]["id"].asString();
  EXPECT_EQ(call("DELETE", "/rest/api/conference/schedule?id=" + id + "&type=0", "", token)["code"]
                .asInt(),
            0);
  EXPECT_TRUE(state.meetings.empty());
}

TEST_F(RestApiTest, DeleteRefusesMissingIdentifiersTypesForeignMeetingsAndBadTokens) {
  const std::string alice = login("alice", "alice-pass");
  const std::string bob = login("bob", "bob-pass");
  const std::string key = create(alice)["data"]["meetingKey"].asString();
  const std::string id = lookup(alice, key)["data"][0]["id"].asString();
  EXPECT_EQ(call("DELETE", "/rest/api/conference/schedule?id=&type=1", "", alice)["code"].asInt(),
            kBadRequest);
  EXPECT_EQ(call("DELETE", "/rest/api/conference/schedule?id=" + id, "", alice)["code"].asInt(),
            kBadRequest);
  EXPECT_EQ(call("DELETE", "/rest/api/conference/schedule?id=" + id + "&type=2", "", alice)["code"]
                .asInt(),
            kBadRequest);
  EXPECT_EQ(call("DELETE", "/rest/api/conference/schedule?id=1&type=1", "", alice)["code"].asInt(),
            kNotFound);
  EXPECT_EQ(
      call("DELETE", "/rest/api/conference/schedule?id=" + id + "&type=1", "", bob)["code"].asInt(),
      kForbidden);
  EXPECT_EQ(
      call("DELETE", "/rest/api/conference/schedule?id=" + id + "&type=1", "", "x")["code"].asInt(),
      kTokenInvalid);
  EXPECT_EQ(state.meetings.size(), 1u);
}

TEST_F(RestApiTest, ASecondMeetingOfTheSameHostAtTheSameStartIsRefusedWith602) {
  const std::string alice = login("alice", "alice-pass");
  ASSERT_EQ(create(alice, R"("type":1,"freqInterval":1,"endDate":"2030-03-09")")["code"].asInt(),
            0);
  // Same day and time as the series' second occurrence, asked for with the
  // organisation token of the same person.
  const std::string org = call("POST", "/rest/api/change/user",
                               R"({"userId":"20001","userName":"alice"})", alice)["data"]["token"]
                              .asString();
  EXPECT_EQ(create(org, "", "2030-03-08")["code"].asInt(), kScheduleConflict);
  EXPECT_EQ(state.meetings.size(), 1u);
  // Another time, another day or another host is fine.
  EXPECT_EQ(create(alice, "", "2030-03-08", "09:06")["code"].asInt(), 0);
  EXPECT_EQ(create(alice, "", "2030-03-10")["code"].asInt(), 0);
  EXPECT_EQ(create(login("bob", "bob-pass"), "", "2030-03-08")["code"].asInt(), 0);
}

TEST_F(RestApiTest, UpdatesConflictWithOtherMeetingsButNotWithThemselves) {
  const std::string alice = login("alice", "alice-pass");
  const std::string first = create(alice)["data"]["meetingKey"].asString();
  create(alice, "", "2030-03-08");
  EXPECT_EQ(call("PUT", "/rest/api/conference/schedule", record(R"("meetingKey":")" + first + "\""),
                 alice)["code"]
                .asInt(),
            0);
  EXPECT_EQ(call("PUT", "/rest/api/conference/schedule",
                 record(R"("meetingKey":")" + first + "\"", "2030-03-08"), alice)["code"]
                .asInt(),
            kScheduleConflict);
  EXPECT_EQ(dates(lookup(alice, first)), std::vector<std::string>{"2030-03-07"});
}

TEST_F(RestApiTest, SavesRefuseRecordsWithoutUsableStartOrDuration) {
  const std::string token = login("alice", "alice-pass");
  const auto save = [&](const std::string& body) {
    return call("POST", "/rest/api/conference/schedule", body, token)["code"].asInt();
  };
  EXPECT_EQ(save(R"({"duration":30,"startDate":"2030-02-30","startTime":"09:00"})"), kBadRequest);
  EXPECT_EQ(save(R"({"duration":30,"startDate":"2030-03-07","startTime":"9h"})"), kBadRequest);
  EXPECT_EQ(save(R"({"duration":0,"startDate":"2030-03-07","startTime":"09:00"})"), kBadRequest);
  EXPECT_EQ(save(R"({"duration":"30","startDate":"2030-03-07","startTime":"09:00"})"), kBadRequest);
  EXPECT_EQ(
      save(
          R"({"duration":30,"startDate":"2030-03-07","startTime":"09:00","type":1,"endDate":"2030-03-01"})"),
      kBadRequest);
  EXPECT_EQ(save("[]"), kBadRequest);
  EXPECT_EQ(call("POST", "/rest/api/conference/schedule", record(""))["code"].asInt(),
            kTokenInvalid);
  EXPECT_TRUE(state.meetings.empty());
}

TEST_F(RestApiTest, VersionChannelsAnswerTheConfiguredVersionsAndGrayscaleNeedsAToken) {
  state.gray_version = "2.0.0-beta";
  state.release_version = "1.9.0";
  EXPECT_EQ(call("GET", "/rest/version/outlook/1.2.3")["data"]["newVersion"].asString(), "1.9.0");
  EXPECT_EQ(call("GET", "/rest/version/outlook/")["data"]["newVersion"].asString(), "1.9.0");
  const std::string token = login("alice", "alice-pass");
  EXPECT_EQ(
      call("GET", "/rest/api/grayscale/version/outlook/1.2.3", "", token)["data"]["newVersion"]
          .asString(),
      "2.0.0-beta");
  const Json::Value refused = call("GET", "/rest/api/grayscale/version/outlook/1.2.3", "", "");
  EXPECT_EQ(refused["code"].asInt(), kTokenInvalid);
  EXPECT_TRUE(refused["data"].isNull());
  state.release_version.clear();
  EXPECT_EQ(call("GET", "/rest/version/outlook/1.2.3")["data"]["newVersion"].asString(), "");
}

TEST_F(RestApiTest, TheInstallerIsServedAsOctets) {
  Reply reply = raw("GET", "/download/outlookplugin/VantorOutlookPluginSetup.msi");
  EXPECT_EQ(reply.status, 200);
  EXPECT_EQ(reply.content_type, "application/octet-stream");
  EXPECT_EQ(reply.body.size(), kDefaultInstallerSize);
  EXPECT_EQ(reply.body.substr(0, 4), "\xD0\xCF\x11\xE0");
  state.installer = installer_bytes(450);
  reply = raw("GET", "/download/outlookplugin/VantorOutlookPluginSetup.msi");
  EXPECT_EQ(reply.body, installer_bytes(450));
}

TEST_F(RestApiTest, UnknownPathsAnswerAnHtml404AndWrongMethodsA405) {
  Reply reply = raw("GET", "/rest/unknown?x=<b>");
  EXPECT_EQ(reply.status, 404);
  EXPECT_EQ(reply.content_type, "text/html;charset=UTF-8");
  EXPECT_NE(reply.body.find("404 Not Found"), std::string::npos);
  EXPECT_EQ(raw("GET", "/<script>").body.find("<script>"), std::string::npos);
  reply = raw("GET", "/rest/login");
  EXPECT_EQ(reply.status, 405);
  ASSERT_EQ(reply.headers.size(), 1u);
  EXPECT_EQ(reply.headers[0], (std::pair<std::string, std::string>{"Allow", "POST"}));
  EXPECT_EQ(raw("DELETE", "/rest/api/conference/schedule/single").status, 405);
}

TEST(RestApiHelpers, WithCodeReplacesTheEnvelopeCodeAndLeavesOtherAnswersAlone) {
  Json::Value data;
  data["id"] = "7";
  const Json::Value answer = *parse_json(with_code(envelope(kOk, data), -3).body);
  EXPECT_EQ(answer["code"].asInt(), -3);
  EXPECT_EQ(answer["data"]["id"].asString(), "7");
  const Reply page = html_error(404, "/x");
  EXPECT_EQ(with_code(page, -3).body, page.body);
}

TEST(RestApiHelpers, QueryValuesArePercentDecodedAndFirstWins) {
  EXPECT_EQ(query_value("id=12&type=0", "type"), "0");
  EXPECT_EQ(query_value("id=a%2Bb&id=2", "id"), "a+b");
  EXPECT_EQ(query_value("id=&type=1", "id"), "");
  EXPECT_EQ(query_value("flag&x=1", "flag"), "");
  EXPECT_FALSE(query_value("id=1", "type"));
  EXPECT_FALSE(query_value("", "id"));
}

TEST(Invitation, DescribesEachRecurrenceKindInChinese) {
  Recurrence r;
  r.kind = Recurrence::kDaily;
  r.interval = 3;
  EXPECT_EQ(describe_recurrence(r), "每3天");
  r.kind = Recurrence::kWorkdays;
  EXPECT_EQ(describe_recurrence(r), "每个工作日");
  r.kind = Recurrence::kWeekly;
  r.interval = 2;
  r.weekdays = {6, 7};
  EXPECT_EQ(describe_recurrence(r), "每2周的周六、日");
  r.kind = Recurrence::kMonthlyNth;
  r.interval = 1;
  r.week_of_month = -1;
  r.day_of_week = 5;
  EXPECT_EQ(describe_recurrence(r), "每月最后一个周五");
}

}  // namespace
}  // namespace mivo::refservice

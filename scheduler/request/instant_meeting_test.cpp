// The instant meeting: the desktop client found through its protocol
// registration and started with the JSON launch parameters, or the join page
// with its Base64 query in the browser.
#include "portable/base64.h"
#include "request_test_support.h"

namespace mivo::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr const char* kClient = "C:\\Program Files\\Vantor\\Vantor.exe";

class InstantMeetingTest : public RequestTest {
 protected:
  InstantMeetingTest() {
    fakes.transport.respond(
        "GET", url("/rest/api/conference/user/info"),
        R"({"code":0,"data":{"id":"u-1","name":"张三","token":"tok","meetingKey":"room-1"}})");
  }
  void register_client(const std::string& command) {
    fakes.store.classes_root["darselVantor\\shell\\open\\command"] = command;
  }
};

TEST_F(InstantMeetingTest, RegisteredClientStartsWithTheLaunchParametersAndNoBrowser) {
  register_client(std::string("\"") + kClient + "\" \"%1\"");
  fakes.launcher.files.insert(kClient);
  EXPECT_EQ(request.start_instant_meeting(), Result::ok);

  ASSERT_EQ(fakes.launcher.programs.size(), 1u);
  EXPECT_EQ(fakes.launcher.programs[0].first, kClient);
  EXPECT_EQ(fakes.launcher.programs[0].second,
            "{\"from\":\"mivo\",\"key\":\"room-1\",\"token\":\"tok\",\"type\":\"outlook\","
            "\"user\":\"\\u5f20\\u4e09\"}\n");
  EXPECT_THAT(fakes.launcher.addresses, IsEmpty());
}

TEST_F(InstantMeetingTest, BrowserOpensTheJoinPageWithTheUtf8QueryInBase64) {
  EXPECT_EQ(request.start_instant_meeting(), Result::ok);
  // Base64 of the UTF-8 bytes of
  // "action=join&key=room-1&user=张三&leavecb=0&invitecb=0&from=mivo&t=4321&token=tok"
  EXPECT_THAT(
      fakes.launcher.addresses,
      ElementsAre("https://m.test/meet/?YWN0aW9uPWpvaW4ma2V5PXJvb20tMSZ1c2VyPeW8oOS4iSZsZWF2"
                  "ZWNiPTAmaW52aXRlY2I9MCZmcm9tPW1pdm8mdD00MzIxJnRva2VuPXRvaw=="));
  EXPECT_THAT(fakes.launcher.programs, IsEmpty());
}

TEST_F(InstantMeetingTest, UnusableClientRegistrationsFallBackToTheBrowser) {
  struct Case {
    std::string command;
    bool starts;
    std::vector<std::string> checked;
  } cases[] = {
      {"\"C:\\Gone\\Vantor.exe\" \"%1\"", true, {"C:\\Gone\\Vantor.exe"}},
      {std::string(kClient) + " %1", true, {":\\Program Files\\Vantor\\Vantor.exe"}},
      {"\"C:\\Program Files\\Vantor\\Vantor\" \"%1\"", true, {}},
      {std::string("\"") + kClient + "\"", false, {kClient}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    SignedInRequest fresh;
    fresh.fakes.store.classes_root["darselVantor\\shell\\open\\command"] = c.command;
    fresh.fakes.launcher.files = {kClient, "C:\\Gone", "C:"};
    fresh.fakes.launcher.program_starts = c.starts;
    EXPECT_EQ(fresh.request.start_instant_meeting(), Result::ok);
    EXPECT_EQ(fresh.fakes.launcher.checked_paths, c.checked);
    EXPECT_EQ(fresh.fakes.launcher.addresses.size(), 1u);
  }
}

TEST_F(InstantMeetingTest, EachLaunchCarriesTheProcessClock) {
  fakes.launcher.clock = -5;
  request.start_instant_meeting();
  fakes.launcher.clock = 987654;
  request.start_instant_meeting();  // no answer to this refresh: the record keeps the user
  const std::string query = "action=join&key=room-1&user=张三&leavecb=0&invitecb=0&from=mivo&t=";
  EXPECT_THAT(
      fakes.launcher.addresses,
      ElementsAre(std::string(kSite) + "/meet/?" + base64_encode(query + "-5&token=tok"),
                  std::string(kSite) + "/meet/?" + base64_encode(query + "987654&token=tok")));
}

TEST_F(InstantMeetingTest, MeetingKeyFromTheServiceCannotAddToTheJoinQuery) {
  SignedInRequest other;
  other.fakes.transport.respond(
      "GET", std::string(kSite) + "/rest/api/conference/user/info",
      R"({"code":0,"data":{"id":"u-1","name":"u","token":"tok","meetingKey":"r&token=x"}})");
  EXPECT_EQ(other.request.start_instant_meeting(), Result::ok);
  EXPECT_THAT(other.fakes.launcher.addresses,
              ElementsAre(std::string(kSite) + "/meet/?" +
                          base64_encode("action=join&key=r%26token%3Dx&user=u&leavecb=0&invitecb=0"
                                        "&from=mivo&t=4321&token=tok")));
}

TEST_F(InstantMeetingTest, FailedRefreshStillOpensTheRoomWithWhatTheRecordHolds) {
  SignedInRequest signed_out;
  signed_out.fakes.store.values.clear();
  EXPECT_EQ(signed_out.request.start_instant_meeting(), Result::ok);
  EXPECT_THAT(signed_out.fakes.ui.dialog_names(), ElementsAre("account"));
  EXPECT_THAT(
      signed_out.fakes.launcher.addresses,
      ElementsAre(url("/meet/?") + base64_encode("action=join&key=&user=&leavecb=0&invitecb=0"
                                                 "&from=mivo&t=4321&token=")));
}

TEST_F(InstantMeetingTest, JoinPageIsTheServicesWhateverSiteIsStored) {
  SignedInRequest planted;
  planted.fakes.store.values["mivositename"] = "http://evil.test";
  planted.request.start_instant_meeting();
  ASSERT_EQ(planted.fakes.launcher.addresses.size(), 1u);
  EXPECT_EQ(planted.fakes.launcher.addresses[0].rfind(url("/meet/?"), 0), 0u)
      << planted.fakes.launcher.addresses[0];
  // The stored account was another service's: nothing of it is sent.
  EXPECT_THAT(planted.fakes.transport.requests, IsEmpty());
  EXPECT_THAT(planted.fakes.ui.dialog_names(), ElementsAre("account"));
}

}  // namespace
}  // namespace mivo::testing

// Sign-in from the account dialog, the organisation chooser, the user refresh
// and sign-out against a scripted service: the warnings each failed answer
// shows, what gets stored, and what reaches the meeting record; and an
// account stored for another address than the service in use.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "account_flows.h"
#include "fake_ports.h"
#include "signed_in_user.h"

namespace mivo {
namespace {

using mivo::testing::FakePorts;
using mivo::testing::FakeUserInterface;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr const char* kSite = "https://service.test";  // string 114 of the fake
constexpr const char* kLoginUrl = "https://service.test/rest/login";
constexpr const char* kChangeUrl = "https://service.test/rest/api/change/user";
constexpr const char* kUserInfoUrl = "https://service.test/rest/api/conference/user/info";

std::string login_answer(const std::string& token, const std::string& accounts = "[]") {
  return R"({"code":0,"data":{"token":")" + token + R"(","id":"u-1","name":"Alice",)" +
         R"("meetingKey":"room-1","accountList":)" + accounts + "}}";
}

const std::string kThreeOrganisations =
    R"([{"orgName":"Zeta","id":"z"},{"orgName":"alpha","id":"a"},{"orgName":"Beta","id":"b"}])";

class AccountFlowsTest : public ::testing::Test {
 protected:
  void store_account(const std::string& token = "") {
    fakes.store.values = {
        {"mivositename", kSite}, {"mivousername", "alice"}, {"mivopassword", "dpapi:sealed(pw)"}};
    if (!token.empty()) {
      fakes.store.values["mivotoken"] = token;
    }
  }
  bool sign_in_from_dialog(const std::string& user = "alice", const std::string& password = "pw") {
    fakes.ui.account = FakeUserInterface::sign_in_with({{user, password}});
    return flows.account_setting();
  }

  FakePorts fakes;
  AccountFlows flows{fakes.ports()};
  SignedInUser record;
};

// --- Login from the account dialog -------------------------------------------

TEST_F(AccountFlowsTest, DialogSignInSendsTheTypedAccountAndStoresItWithTheToken) {
  fakes.transport.respond("POST", kLoginUrl, login_answer("tok-1"));
  EXPECT_TRUE(sign_in_from_dialog("alice", "pw"));

  ASSERT_EQ(fakes.transport.requests.size(), 1u);
  const ServiceRequest& login = fakes.transport.requests[0];
  EXPECT_EQ(login.body, "{\"password\":\"pw\",\"username\":\"alice\"}\n");
  EXPECT_EQ(login.header, "");
  EXPECT_EQ(login.owner, FakeUserInterface::kAccountDialog);
  EXPECT_EQ(login.url, kLoginUrl);
  EXPECT_EQ(fakes.ui.dialogs.at(0).shown_text, kSite);  // where the password goes
  EXPECT_THAT(fakes.store.log,
              ElementsAre("write mivotoken=tok-1", "write mivositename=https://service.test",
                          "write mivousername=alice", "write mivopassword=dpapi:sealed(pw)"));
  EXPECT_THAT(fakes.ui.messages, IsEmpty());
}

TEST_F(AccountFlowsTest, DialogSignInStoresNoTokenWhenTheServiceGaveNone) {
  fakes.transport.respond("POST", kLoginUrl, login_answer(""));
  EXPECT_TRUE(sign_in_from_dialog());
  EXPECT_FALSE(fakes.store.has("mivotoken"));
  EXPECT_EQ(fakes.store.read("mivousername"), "alice");
}

TEST_F(AccountFlowsTest, DialogSignInFailuresWarnAndStoreNothing) {
  struct Case {
    const char* answer;
    const char* message;
  } cases[] = {
      {"", "no answer"},                                                // empty: 108
      {"<html>Bad gateway</html>", "sign-in refused"},                  // malformed: 109
      {R"({"code":1001,"data":{"token":"t"}})", "sign-in refused"},     // refused: 109
      {R"({"code":0.7,"data":{"token":"t"}})", "sign-in refused"},      // not an integer
      {R"({"code":0,"data":{"token":"t"}}<html>)", "sign-in refused"},  // text after it
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer);
    FakePorts fresh;
    AccountFlows account(fresh.ports());
    fresh.transport.respond("POST", kLoginUrl, c.answer);
    fresh.ui.account = FakeUserInterface::sign_in_with({{"alice", "pw"}});
    EXPECT_FALSE(account.account_setting());
    ASSERT_EQ(fresh.ui.messages.size(), 1u);
    EXPECT_EQ(fresh.ui.messages[0].text, c.message);
    EXPECT_EQ(fresh.ui.messages[0].caption, "Mivo");
    EXPECT_EQ(fresh.ui.messages[0].style, msgbox::kWarning);
    EXPECT_EQ(fresh.ui.messages[0].owner, FakeUserInterface::kAccountDialog);
    EXPECT_THAT(fresh.store.values, IsEmpty());
  }
}

TEST_F(AccountFlowsTest, FailedSignInKeepsTheDialogOpenForAnotherTry) {
  fakes.transport.respond("POST", kLoginUrl, R"({"code":1})");
  fakes.transport.respond("POST", kLoginUrl, login_answer("tok"));
  fakes.ui.account = FakeUserInterface::sign_in_with({{"alice", "wrong"}, {"alice", "right"}});
  EXPECT_TRUE(flows.account_setting());
  EXPECT_EQ(fakes.store.read("mivopassword"), "dpapi:sealed(right)");
  EXPECT_THAT(fakes.ui.dialog_names(), ElementsAre("account"));
}

TEST_F(AccountFlowsTest, CancelledAccountDialogIsNoSignIn) {
  EXPECT_FALSE(flows.account_setting());
  EXPECT_THAT(fakes.transport.requests, IsEmpty());
}

TEST_F(AccountFlowsTest, NoActiveWindowShowsNoDialogAndSendsNothing) {
  fakes.ui.active = 0;
  fakes.ui.account = FakeUserInterface::sign_in_with({{"alice", "pw"}});
  EXPECT_FALSE(flows.account_setting());
  EXPECT_THAT(fakes.ui.dialogs, IsEmpty());
  EXPECT_THAT(fakes.transport.requests, IsEmpty());
}

// --- Organisation choice -----------------------------------------------------

TEST_F(AccountFlowsTest, OneAccountNeverShowsTheChooserAndTakesItsToken) {
  fakes.transport.respond("POST", kLoginUrl, login_answer("tok", R"([{"orgName":"A","id":"1"}])"));
  EXPECT_TRUE(sign_in_from_dialog());
  EXPECT_THAT(fakes.ui.tenancy_lists, IsEmpty());
  EXPECT_EQ(fakes.store.read("mivotoken"), "tok");
}

TEST_F(AccountFlowsTest, StoredOrganisationSkipsTheChooserAndTakesTheTokenAsReturned) {
  fakes.store.values["mivoorgName"] = "Beta";
  fakes.transport.respond("POST", kLoginUrl, login_answer("login-tok", kThreeOrganisations));
  EXPECT_TRUE(sign_in_from_dialog());
  EXPECT_THAT(fakes.ui.tenancy_lists, IsEmpty());
  EXPECT_THAT(fakes.transport.calls(), ElementsAre(std::string("POST ") + kLoginUrl));
  EXPECT_EQ(fakes.store.read("mivotoken"), "login-tok");
}

TEST_F(AccountFlowsTest, ChooserListsNamesByCodeUnitOnceEachWithTheLaterId) {
  // U+FF21 (full-width A) sorts after "a" by code unit; U+1F600 is a
  // surrogate pair (0xD83D...) and sorts before it, unlike in code points.
  const std::string accounts =
      R"([{"orgName":"Ａ","id":"1"},{"orgName":"😀","id":"2"},{"orgName":"b","id":"3"},)"
      R"({"orgName":"B","id":"4"},{"orgName":"b","id":"5"}])";
  fakes.transport.respond("POST", kLoginUrl, login_answer("login-tok", accounts));
  fakes.transport.respond("POST", kChangeUrl, R"({"code":0,"data":{"token":"org-tok"}})");
  fakes.ui.tenancy = FakeUserInterface::choose("b");
  EXPECT_TRUE(sign_in_from_dialog());

  ASSERT_EQ(fakes.ui.tenancy_lists.size(), 1u);
  EXPECT_THAT(fakes.ui.tenancy_lists[0], ElementsAre("B", "b", "😀", "Ａ"));
  ASSERT_EQ(fakes.transport.requests.size(), 2u);
  EXPECT_EQ(fakes.transport.requests[1].body, "{\"userId\":\"5\",\"userName\":\"alice\"}\n");
}

TEST_F(AccountFlowsTest, ChosenOrganisationStoresItsNameAndTheChangedToken) {
  fakes.transport.respond("POST", kLoginUrl, login_answer("login-tok", kThreeOrganisations));
  fakes.transport.respond("POST", kChangeUrl, R"({"code":0,"data":{"token":"org-tok"}})");
  fakes.ui.tenancy = FakeUserInterface::choose("alpha");
  EXPECT_TRUE(sign_in_from_dialog());

  const ServiceRequest& change = fakes.transport.requests.at(1);
  EXPECT_EQ(change.header, "token:login-tok");
  EXPECT_EQ(change.body, "{\"userId\":\"a\",\"userName\":\"alice\"}\n");
  EXPECT_EQ(change.owner, FakeUserInterface::kTenancyDialog);
  EXPECT_EQ(fakes.ui.dialogs.at(1).owner, FakeUserInterface::kAccountDialog);
  EXPECT_THAT(fakes.store.log,
              ElementsAre("write mivoorgName=alpha", "write mivotoken=org-tok",
                          "write mivositename=https://service.test", "write mivousername=alice",
                          "write mivopassword=dpapi:sealed(pw)"));
}

TEST_F(AccountFlowsTest, ChangeWithoutANewTokenKeepsTheLoginToken) {
  fakes.transport.respond("POST", kLoginUrl, login_answer("login-tok", kThreeOrganisations));
  fakes.transport.respond("POST", kChangeUrl, R"({"code":0,"data":{}})");
  EXPECT_TRUE(sign_in_from_dialog());
  EXPECT_EQ(fakes.store.read("mivoorgName"), "Beta");  // first in code-unit order
  EXPECT_EQ(fakes.store.read("mivotoken"), "login-tok");
}

TEST_F(AccountFlowsTest, ChooserOkWithNothingSelectedStoresNoOrganisationButSignsIn) {
  fakes.transport.respond("POST", kLoginUrl, login_answer("login-tok", kThreeOrganisations));
  fakes.ui.tenancy = FakeUserInterface::choose(std::nullopt);
  EXPECT_TRUE(sign_in_from_dialog());
  EXPECT_EQ(fakes.transport.requests.size(), 1u);
  EXPECT_FALSE(fakes.store.has("mivoorgName"));
  EXPECT_FALSE(fakes.store.has("mivotoken"));
  EXPECT_EQ(fakes.store.read("mivousername"), "alice");
}

TEST_F(AccountFlowsTest, CancelledChooserFailsTheSignInWithoutAWarning) {
  fakes.transport.respond("POST", kLoginUrl, login_answer("login-tok", kThreeOrganisations));
  fakes.ui.tenancy = FakeUserInterface::cancel_chooser();
  EXPECT_FALSE(sign_in_from_dialog());
  EXPECT_THAT(fakes.ui.messages, IsEmpty());
  EXPECT_THAT(fakes.store.values, IsEmpty());
}

TEST_F(AccountFlowsTest, FailedChangeWarnsFromTheChooserAndStillSignsInWithoutTokenOrOrganisation) {
  struct Case {
    const char* answer;
    const char* message;
  } cases[] = {
      {"", "no answer"},
      {"{not json", "sign-in refused"},
      {R"({"code":-3,"data":{"token":"x"}})", "sign-in refused"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer);
    FakePorts fresh;
    AccountFlows account(fresh.ports());
    fresh.transport.respond("POST", kLoginUrl, login_answer("login-tok", kThreeOrganisations));
    fresh.transport.respond("POST", kChangeUrl, c.answer);
    fresh.ui.account = FakeUserInterface::sign_in_with({{"alice", "pw"}});
    EXPECT_TRUE(account.account_setting());
    ASSERT_EQ(fresh.ui.messages.size(), 1u);
    EXPECT_EQ(fresh.ui.messages[0].text, c.message);
    EXPECT_EQ(fresh.ui.messages[0].owner, FakeUserInterface::kTenancyDialog);
    EXPECT_EQ(fresh.store.values,
              (std::map<std::string, std::string>{{"mivositename", kSite},
                                                  {"mivousername", "alice"},
                                                  {"mivopassword", "dpapi:sealed(pw)"}}));
  }
}

TEST_F(AccountFlowsTest, RefusedSignInOffersNoOrganisations) {
  fakes.transport.respond(
      "POST", kLoginUrl,
      R"({"code":7,"data":{"token":"t","accountList":)" + kThreeOrganisations + "}}");
  EXPECT_FALSE(sign_in_from_dialog());
  EXPECT_THAT(fakes.ui.tenancy_lists, IsEmpty());
  EXPECT_THAT(fakes.ui.message_texts(), ElementsAre("sign-in refused"));
  EXPECT_THAT(fakes.store.values, IsEmpty());
}

// --- Tokens that would add request headers -----------------------------------

TEST_F(AccountFlowsTest, TokenWithLineBreaksFromTheServiceIsRefusedAsMalformed) {
  // Sign-in: a warning, and nothing stored.
  fakes.transport.respond("POST", kLoginUrl, login_answer("tok\\r\\nX-Injected: 1"));
  EXPECT_FALSE(sign_in_from_dialog());
  EXPECT_THAT(fakes.ui.message_texts(), ElementsAre("sign-in refused"));
  EXPECT_THAT(fakes.store.values, IsEmpty());

  // Organisation change: the change fails, the sign-in goes on without it.
  FakePorts changed;
  AccountFlows account(changed.ports());
  changed.transport.respond("POST", kLoginUrl, login_answer("login-tok", kThreeOrganisations));
  changed.transport.respond("POST", kChangeUrl, R"({"code":0,"data":{"token":"org\ntok"}})");
  changed.ui.account = FakeUserInterface::sign_in_with({{"alice", "pw"}});
  EXPECT_TRUE(account.account_setting());
  EXPECT_THAT(changed.ui.message_texts(), ElementsAre("sign-in refused"));
  EXPECT_FALSE(changed.store.has("mivotoken"));
  EXPECT_FALSE(changed.store.has("mivoorgName"));

  // User information: nothing reaches the record, and the refresh fails.
  store_account("tok");
  fakes.transport.respond(
      "GET", kUserInfoUrl,
      R"({"code":0,"data":{"id":"u-9","name":"n","token":"fresh\u0000","meetingKey":"k"}})");
  record.token = "before";
  EXPECT_FALSE(flows.user_refresh(record));
  EXPECT_EQ(record.token, "before");
  EXPECT_EQ(record.host_user_id, "");
}

TEST_F(AccountFlowsTest, StoredTokenWithLineBreaksIsNeverSent) {
  store_account("tok\r\nX-Injected: 1");
  fakes.transport.respond("POST", kLoginUrl, login_answer("login-tok"));
  EXPECT_TRUE(flows.user_refresh(record));
  EXPECT_THAT(fakes.transport.calls(), ElementsAre(std::string("POST ") + kLoginUrl));
  EXPECT_EQ(record.token, "login-tok");
}

// --- User refresh ------------------------------------------------------------

TEST_F(AccountFlowsTest, RefreshWithATokenLoadsTheUserFromUserInfo) {
  store_account("stored-tok");
  fakes.ui.active = 0;
  fakes.ui.foreground = FakeUserInterface::kMainWindow;
  fakes.transport.respond(
      "GET", kUserInfoUrl,
      R"({"code":0,"data":{"id":"u-9","name":"Alice","token":"fresh","meetingKey":"room"}})");
  EXPECT_TRUE(flows.user_refresh(record));

  const ServiceRequest& info = fakes.transport.requests.at(0);
  EXPECT_EQ(info.header, "token:stored-tok");
  EXPECT_EQ(info.body, "");
  EXPECT_EQ(info.owner, FakeUserInterface::kMainWindow);  // the foreground window
  EXPECT_EQ(record.host_user_id, "u-9");
  EXPECT_EQ(record.host_user_name, "Alice");
  EXPECT_EQ(record.token, "fresh");
  EXPECT_EQ(record.personal_meeting_key, "room");
  EXPECT_THAT(fakes.store.log, IsEmpty());
}

TEST_F(AccountFlowsTest, RefreshUserInfoFailureTable) {
  // Empty and malformed answers: no message, success, record unchanged --
  // a failure when the record was read under another sign-in.
  for (const char* answer : {"", "][", R"({"code":0} {"code":0})"}) {
    SCOPED_TRACE(answer);
    FakePorts fresh;
    AccountFlows account(fresh.ports());
    fresh.store.values = {{"mivositename", kSite},
                          {"mivousername", "alice"},
                          {"mivopassword", "pw"},
                          {"mivotoken", "tok"}};
    fresh.transport.respond("GET", kUserInfoUrl, answer);
    SignedInUser loaded;
    loaded.token = "tok";
    loaded.host_user_id = "u-alice";
    EXPECT_TRUE(account.user_refresh(loaded));
    EXPECT_EQ(loaded.host_user_id, "u-alice");
    loaded.token = "of-an-earlier-sign-in";
    EXPECT_FALSE(account.user_refresh(loaded));
    EXPECT_EQ(loaded.host_user_id, "u-alice");
    EXPECT_THAT(fresh.ui.messages, IsEmpty());
  }
  // A refusal: the values are copied all the same and the refresh fails.
  store_account("tok");
  fakes.transport.respond("GET", kUserInfoUrl,
                          R"({"code":401,"data":{"id":"","name":"","token":"","meetingKey":""}})");
  record.token = "before";
  EXPECT_FALSE(flows.user_refresh(record));
  EXPECT_EQ(record.token, "");
  EXPECT_THAT(fakes.ui.messages, IsEmpty());
  EXPECT_EQ(fakes.store.read("mivotoken"), "tok");  // not cleared

  // A "code" that is not an integer is no success: nothing is copied.
  fakes.transport.respond("GET", kUserInfoUrl,
                          R"({"code":-0.5,"data":{"id":"x","name":"x","token":"x"}})");
  record.token = "before";
  EXPECT_FALSE(flows.user_refresh(record));
  EXPECT_EQ(record.token, "before");
}

TEST_F(AccountFlowsTest, RefreshRequestsAreSentWithoutAWindowOfTheHost) {
  fakes.ui.active = 0;
  fakes.ui.foreground = FakeUserInterface::kOtherProgram;
  store_account();
  fakes.transport.respond("POST", kLoginUrl, login_answer("login-tok"));
  EXPECT_TRUE(flows.user_refresh(record));
  EXPECT_EQ(fakes.transport.requests.at(0).owner, 0u);
  EXPECT_EQ(record.token, "login-tok");

  fakes.ui.foreground = 0;
  store_account("tok");
  fakes.transport.respond("GET", kUserInfoUrl, login_answer("info-tok"));
  EXPECT_TRUE(flows.user_refresh(record));
  EXPECT_EQ(fakes.transport.requests.at(1).owner, 0u);
  EXPECT_EQ(record.token, "info-tok");
}

TEST_F(AccountFlowsTest, RefreshWithoutTokenSignsInWithTheStoredAccountAndStoresNothing) {
  store_account();
  fakes.transport.respond("POST", kLoginUrl, login_answer("login-tok"));
  EXPECT_TRUE(flows.user_refresh(record));
  EXPECT_EQ(fakes.transport.requests.at(0).body, "{\"password\":\"pw\",\"username\":\"alice\"}\n");
  EXPECT_EQ(record.token, "login-tok");
  EXPECT_EQ(record.personal_meeting_key, "room-1");
  EXPECT_THAT(fakes.store.log, IsEmpty());
}

TEST_F(AccountFlowsTest, RefreshLoginFailuresWarnAndEndWithNothingLoaded) {
  for (const char* answer : {"", "not json", R"({"code":5,"data":{"token":"x"}})"}) {
    SCOPED_TRACE(answer);
    FakePorts fresh;
    AccountFlows account(fresh.ports());
    fresh.store.values = {
        {"mivositename", kSite}, {"mivousername", "alice"}, {"mivopassword", "pw"}};
    fresh.transport.respond("POST", kLoginUrl, answer);
    SignedInUser loaded;
    EXPECT_TRUE(account.user_refresh(loaded));
    EXPECT_THAT(fresh.ui.message_texts(), ElementsAre("sign-in refused"));
    EXPECT_EQ(loaded.token, "");
    EXPECT_EQ(loaded.host_user_name, "");
  }
}

TEST_F(AccountFlowsTest, RefreshThroughTheChooserLoadsTheLoginTokenAndStoresTheChangedOne) {
  store_account();
  fakes.ui.windows.insert(0x3000);
  fakes.ui.active = 0x3000;
  fakes.transport.respond("POST", kLoginUrl, login_answer("login-tok", kThreeOrganisations));
  fakes.transport.respond("POST", kChangeUrl, R"({"code":0,"data":{"token":"org-tok"}})");
  EXPECT_TRUE(flows.user_refresh(record));
  EXPECT_EQ(record.token, "login-tok");
  EXPECT_EQ(fakes.store.read("mivotoken"), "org-tok");
  EXPECT_EQ(fakes.store.read("mivoorgName"), "Beta");
  EXPECT_EQ(fakes.ui.dialogs.at(0).owner, 0x3000u);
}

// After an organisation is chosen the service answers for that
// organisation's account: the refresh reads the user again with the changed
// token, so that a meeting made now names the host later refreshes report.
// Without a usable answer the login's reading stands (above).
TEST_F(AccountFlowsTest, RefreshThroughTheChooserReadsTheOrganisationsAccount) {
  store_account();
  fakes.transport.respond("POST", kLoginUrl, login_answer("login-tok", kThreeOrganisations));
  fakes.transport.respond("POST", kChangeUrl, R"({"code":0,"data":{"token":"org-tok"}})");
  fakes.transport.respond(
      "GET", kUserInfoUrl,
      R"({"code":0,"data":{"id":"b-1","name":"Alice","token":"org-tok","meetingKey":"room-1"}})");
  EXPECT_TRUE(flows.user_refresh(record));
  ASSERT_EQ(3u, fakes.transport.requests.size());
  EXPECT_EQ(fakes.transport.requests.at(2).header, "token:org-tok");
  EXPECT_EQ(record.host_user_id, "b-1");
  EXPECT_EQ(record.token, "org-tok");

  // A single organisation changes nothing: no second reading.
  FakePorts single;
  single.store.values = fakes.store.values;
  single.store.values.erase("mivotoken");
  single.store.values.erase("mivoorgName");
  single.transport.respond("POST", kLoginUrl, login_answer("login-tok"));
  SignedInUser alone;
  EXPECT_TRUE(AccountFlows(single.ports()).user_refresh(alone));
  EXPECT_EQ(1u, single.transport.requests.size());
  EXPECT_EQ(alone.host_user_id, "u-1");
}

TEST_F(AccountFlowsTest, RefreshWithCancelledChooserLoadsNothingButGoesOn) {
  store_account();
  fakes.transport.respond("POST", kLoginUrl, login_answer("login-tok", kThreeOrganisations));
  fakes.ui.tenancy = FakeUserInterface::cancel_chooser();
  EXPECT_TRUE(flows.user_refresh(record));
  EXPECT_EQ(record.token, "");
  EXPECT_THAT(fakes.ui.messages, IsEmpty());
}

TEST_F(AccountFlowsTest, RefreshWithoutAStoredAccountAsksForOneFirst) {
  fakes.transport.respond("POST", kLoginUrl, login_answer("tok"));
  fakes.transport.respond(
      "GET", kUserInfoUrl,
      R"({"code":0,"data":{"id":"u","name":"N","token":"t2","meetingKey":"k"}})");
  fakes.ui.account = FakeUserInterface::sign_in_with({{"alice", "pw"}});
  EXPECT_TRUE(flows.user_refresh(record));
  EXPECT_THAT(fakes.transport.calls(),
              ElementsAre(std::string("POST ") + kLoginUrl, std::string("GET ") + kUserInfoUrl));
  EXPECT_EQ(record.token, "t2");
}

TEST_F(AccountFlowsTest, RefreshStopsWhenTheAccountDialogIsCancelled) {
  fakes.store.values = {{"mivositename", kSite}, {"mivousername", "alice"}};  // no password
  EXPECT_FALSE(flows.user_refresh(record));
  EXPECT_THAT(fakes.ui.dialog_names(), ElementsAre("account"));
  EXPECT_THAT(fakes.transport.requests, IsEmpty());
}

TEST_F(AccountFlowsTest, OneCharacterTokenSendsNothingAndSucceeds) {
  store_account("x");
  EXPECT_TRUE(flows.user_refresh(record));
  EXPECT_THAT(fakes.transport.requests, IsEmpty());
}

TEST_F(AccountFlowsTest, LegacyPlainPasswordIsProtectedAtTheFirstRefreshAlsoWithAToken) {
  // A signed-in user never signs in again, so waiting for a sign-in would
  // keep the plain password indefinitely.
  fakes.store.values = {{"mivositename", kSite},
                        {"mivousername", "alice"},
                        {"mivopassword", "legacy"},
                        {"mivotoken", "tok"}};
  fakes.transport.respond("GET", kUserInfoUrl, R"({"code":0,"data":{"token":"tok"}})");
  EXPECT_TRUE(flows.user_refresh(record));
  EXPECT_EQ(fakes.store.read("mivopassword"), "dpapi:sealed(legacy)");
  EXPECT_TRUE(flows.has_stored_account());
}

TEST_F(AccountFlowsTest, UnreadableProtectedPasswordAsksForTheAccountAgain) {
  store_account("tok");
  fakes.protector.fail_unprotect = true;
  EXPECT_FALSE(flows.has_stored_account());
  EXPECT_FALSE(flows.user_refresh(record));
  EXPECT_THAT(fakes.ui.dialog_names(), ElementsAre("account"));
}

// --- Stored account and sign-out ---------------------------------------------

TEST_F(AccountFlowsTest, StoredAccountNeedsUserNameAndPasswordButNoSite) {
  fakes.store.values = {{"mivousername", "alice"}, {"mivopassword", "dpapi:sealed(pw)"}};
  EXPECT_TRUE(flows.has_stored_account());
  fakes.store.values = {{"mivositename", kSite}, {"mivousername", "alice"}};
  EXPECT_FALSE(flows.has_stored_account());
}

TEST_F(AccountFlowsTest, ConfirmedSignOutRemovesTheAccountAndDeclinedKeepsIt) {
  store_account("tok");
  fakes.ui.cancellation = [](const std::function<void()>&) { return 2; };
  EXPECT_FALSE(flows.cancellation());
  EXPECT_TRUE(fakes.store.has("mivotoken"));

  fakes.ui.cancellation = [](const std::function<void()>& confirmed) {
    confirmed();
    return 1;
  };
  EXPECT_TRUE(flows.cancellation());
  EXPECT_THAT(fakes.store.values, IsEmpty());
}

// --- An account stored for another address ----------------------------------
// Planted in the user's key, or left by an older version: it counts as
// signed out before its password or token could go anywhere.

class AccountOfAnotherService : public AccountFlowsTest {
 protected:
  // The account as an older version, or another program of the user, left
  // it: complete, for `site`.
  void plant(const std::string& site, const std::string& token) {
    fakes.store.values = {{"mivositename", site},
                          {"mivousername", "alice"},
                          {"mivopassword", "dpapi:sealed(pw)"},
                          {"mivoorgName", "Zeta"},
                          {"OutlookPluginVersion", "1.0.0"}};
    if (!token.empty()) {
      fakes.store.values["mivotoken"] = token;
    }
  }
  std::vector<std::string> urls() const {
    std::vector<std::string> sent;
    for (const ServiceRequest& request : fakes.transport.requests) sent.push_back(request.url);
    return sent;
  }
};

TEST_F(AccountOfAnotherService, RefreshSendsNeitherPasswordNorTokenAnywhereAndAsksToSignIn) {
  for (const char* token : {"", "planted-tok"}) {
    SCOPED_TRACE(token);
    fakes.transport.requests.clear();
    fakes.ui.dialogs.clear();
    plant("http://evil.test", token);
    EXPECT_FALSE(flows.user_refresh(record));  // the account dialog was cancelled
    EXPECT_THAT(urls(), IsEmpty());
    ASSERT_EQ(fakes.ui.dialogs.size(), 1u);
    EXPECT_EQ(fakes.ui.dialogs[0].name, "account");
    EXPECT_EQ(fakes.ui.dialogs[0].shown_text, kSite);
    // Signed out: the installer's value stays.
    EXPECT_EQ(fakes.store.values,
              (std::map<std::string, std::string>{{"OutlookPluginVersion", "1.0.0"}}));
    EXPECT_EQ(record.token, "");
  }
}

TEST_F(AccountOfAnotherService, SigningInAgainStoresTheAddressInUse) {
  plant("https://old.service.test", "old-tok");
  fakes.ui.account = FakeUserInterface::sign_in_with({{"alice", "pw"}});
  fakes.transport.respond("POST", kLoginUrl, login_answer("new-tok"));
  flows.user_refresh(record);
  EXPECT_THAT(urls(), ElementsAre(kLoginUrl, kUserInfoUrl));
  EXPECT_EQ(fakes.store.read("mivositename"), kSite);
  EXPECT_EQ(fakes.store.read("mivotoken"), "new-tok");
  EXPECT_FALSE(fakes.store.has("mivoorgName"));
}

TEST_F(AccountOfAnotherService, TokenAndSignedInStateAreGoneForEveryOtherReader) {
  plant("https://old.service.test", "old-tok");
  EXPECT_EQ(flows.stored_token(), "");
  plant("https://old.service.test", "old-tok");
  EXPECT_FALSE(flows.has_stored_account());
  EXPECT_FALSE(fakes.store.has("mivopassword"));
}

TEST_F(AccountOfAnotherService, AccountOfTheAddressInUseStays) {
  plant(kSite, "tok");
  EXPECT_EQ(flows.stored_token(), "tok");
  EXPECT_TRUE(flows.has_stored_account());
  // The administrator moved everyone to another service: the old account
  // goes.
  fakes.policy.texts["ServiceUrl"] = "https://meet.corp.example";
  EXPECT_FALSE(flows.has_stored_account());
  EXPECT_EQ(flows.stored_token(), "");
}

TEST_F(AccountOfAnotherService, AccountStaysWhileNoAddressIsKnown) {
  // No resource library: no address, nothing is sent; the account waits
  // for the library to come back.
  fakes.ui.strings.erase(114);
  plant("https://old.service.test", "tok");
  EXPECT_TRUE(flows.has_stored_account());
  EXPECT_EQ(flows.stored_token(), "tok");
}

TEST_F(AccountOfAnotherService, RequestsFollowThePolicyAddress) {
  fakes.policy.texts["ServiceUrl"] = "https://meet.corp.example";
  plant("https://meet.corp.example", "tok");
  fakes.transport.respond(
      "GET", "https://meet.corp.example/rest/api/conference/user/info",
      R"({"code":0,"data":{"id":"u-1","name":"Alice","token":"tok","meetingKey":"room-1"}})");
  EXPECT_TRUE(flows.user_refresh(record));
  EXPECT_THAT(urls(), ElementsAre("https://meet.corp.example/rest/api/conference/user/info"));
  EXPECT_EQ(record.personal_meeting_key, "room-1");
}

}  // namespace
}  // namespace mivo

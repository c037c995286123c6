// Sign-in, organisation choice, sign-out, the stored password and the
// scheduler's own dialogs, end to end: the real DLL, the HTTP agent, the
// reference service and the dialog robot.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "credential_protector.h"
#include "dialog_robot.h"
#include "refservice_client.h"
#include "registry_store.h"
#include "resource_ids.h"
#include "dialog_test_support.h"
#include "testing/scheduler_test_support.h"
#include "win/wide_text.h"

namespace mivo::scheduler {
namespace {

using mivo::com::com_ptr;
using mivo::com::unique_bstr;
using mivo::refservice::RecordedRequest;
using mivo::robot::DialogRobot;

constexpr wchar_t kCaption[] = L"Mivo会议";  // string 107 of the test resource library

// The chooser's controls: the list, OK and Cancel (the account dialog has
// a control 1004 too).
bool is_chooser(const mivo::robot::ShownWindow& dialog) {
  std::vector<int> ids = dialog.control_ids;
  ids.erase(std::remove(ids.begin(), ids.end(), -1), ids.end());
  std::sort(ids.begin(), ids.end());
  return ids == std::vector<int>{IDOK, IDCANCEL, IDC_TENANCY_LIST};
}

// The service with the scheduler's settings cleared and an active window to
// own the dialogs.
class AccountTest : public ::testing::Test {
 protected:
  void SetUp() override { service_.reset(); }

  std::vector<RecordedRequest> requests_to(const std::string& path) {
    std::vector<RecordedRequest> found;
    for (auto& request : service_.requests())
      if (request.path == path) found.push_back(request);
    return found;
  }

  // The account dialog answered with one user name and password and OK.
  void sign_in_with(DialogRobot& robot, const wchar_t* user_name, const wchar_t* password) {
    robot.expect_dialog(mivo::robot::kAccountDialog)
        .set_text(IDC_ACCOUNT_USERNAME, user_name)
        .set_text(IDC_ACCOUNT_PASSWORD, password)
        .press(IDOK);
  }

  std::string stored_password() {
    const std::string stored = testing::setting("mivopassword");
    const std::string prefix = "dpapi:";
    if (stored.compare(0, prefix.size(), prefix) != 0) return "not protected: " + stored;
    return make_credential_protector()->unprotect(stored.substr(prefix.size())).value_or("damaged");
  }

  testing::com_apartment com_;
  testing::SettingsKeyGuard settings_;
  // The texts these tests read are the Chinese ones.
  testing::SchedulerLanguage language_{testing::kChinese};
  mivo::refservice::Client service_;
  testing::owner_window window_;
  com_ptr<IMeetingRequest> request_ = testing::create_meeting_request();
};

TEST_F(AccountTest, SignInWithOneOrganisationStoresTheAccountProtectedAndTheToken) {
  DialogRobot robot;
  sign_in_with(robot, L"alice", L"alice-pass");
  EXPECT_EQ(S_OK, request_->AccountSetting());
  ASSERT_TRUE(robot.wait()) << robot.report();
  EXPECT_TRUE(robot.message_boxes().empty());

  EXPECT_EQ(service_.base_url(), testing::setting("mivositename"));
  EXPECT_EQ("alice", testing::setting("mivousername"));
  EXPECT_EQ("alice-pass", stored_password());
  EXPECT_FALSE(testing::setting("mivotoken").empty());
  EXPECT_FALSE(testing::value_exists(HKEY_CURRENT_USER, kSettingsKey, L"mivoorgName"));

  const auto logins = requests_to("/rest/login");
  ASSERT_EQ(1u, logins.size());
  EXPECT_EQ("POST", logins[0].method);
  EXPECT_EQ(
      std::string("{\"password\":\"alice-pass\",\"username\":\"alice\"}\n") + std::string(1, '\0'),
      logins[0].body);
  EXPECT_EQ("", logins[0].header("token"));
  EXPECT_EQ(S_OK, request_->OnLogin());
}

TEST_F(AccountTest, NonAsciiAccountTravelsEscapedAndIsStoredAsTyped) {
  DialogRobot robot;
  sign_in_with(robot, L"李雷", L"密码123");
  EXPECT_EQ(S_OK, request_->AccountSetting());
  ASSERT_TRUE(robot.wait()) << robot.report();
  const auto logins = requests_to("/rest/login");
  ASSERT_EQ(1u, logins.size());
  EXPECT_EQ(std::string("{\"password\":\"\\u5bc6\\u7801123\",\"username\":\"\\u674e\\u96f7\"}\n") +
                std::string(1, '\0'),
            logins[0].body);
  EXPECT_EQ("李雷", testing::setting("mivousername"));
  EXPECT_EQ("密码123", stored_password());
}

TEST_F(AccountTest, ChooserListsOrganisationsByCodeUnitOnceAndChangesToTheChosenOne) {
  mivo::robot::ControlState listed;
  {
    DialogRobot robot;
    sign_in_with(robot, L"bob", L"bob-pass");
    robot.expect_dialog(mivo::robot::kTenancyDialog)
        .read(IDC_TENANCY_LIST)
        .select_text(IDC_TENANCY_LIST, L"Beta Labs")
        .press(IDOK);
    EXPECT_EQ(S_OK, request_->AccountSetting());
    ASSERT_TRUE(robot.wait()) << robot.report();
    listed = robot.result(1).controls.at(IDC_TENANCY_LIST);
  }
  EXPECT_EQ((std::vector<std::wstring>{L"Beta Labs", L"Zeta Works", L"acme", L"研发中心"}),
            listed.items);
  EXPECT_EQ(0, listed.selected);

  const auto changes = requests_to("/rest/api/change/user");
  ASSERT_EQ(1u, changes.size());
  // "Beta Labs" is listed twice by the service: the later id counts.
  EXPECT_EQ(std::string("{\"userId\":\"20015\",\"userName\":\"bob\"}\n") + std::string(1, '\0'),
            changes[0].body);
  const auto logins = requests_to("/rest/login");
  ASSERT_EQ(1u, logins.size());
  EXPECT_FALSE(changes[0].header("token").empty());

  EXPECT_EQ("Beta Labs", testing::setting("mivoorgName"));
  const std::string token = testing::setting("mivotoken");
  EXPECT_FALSE(token.empty());
  EXPECT_NE(changes[0].header("token"), token) << "the organisation's own token is stored";
  EXPECT_EQ("bob", testing::setting("mivousername"));
  EXPECT_EQ("bob-pass", stored_password());

  // With an organisation stored the chooser is not shown again.
  testing::set_setting("mivotoken", "");
  DialogRobot again;
  sign_in_with(again, L"bob", L"bob-pass");
  EXPECT_EQ(S_OK, request_->AccountSetting());
  ASSERT_TRUE(again.wait()) << again.report();
  for (const auto& dialog : again.dialogs()) EXPECT_FALSE(is_chooser(dialog)) << again.report();
  EXPECT_EQ(1u, requests_to("/rest/api/change/user").size());
}

TEST_F(AccountTest, CancelledChooserFailsTheSignInAndStoresNothing) {
  DialogRobot robot;
  sign_in_with(robot, L"bob", L"bob-pass");
  robot.expect_dialog(mivo::robot::kTenancyDialog).press(IDCANCEL);
  robot.expect_dialog(mivo::robot::kAccountDialog).press(IDCANCEL);
  EXPECT_EQ(S_FALSE, request_->AccountSetting());
  ASSERT_TRUE(robot.wait()) << robot.report();
  EXPECT_TRUE(robot.message_boxes().empty());
  EXPECT_TRUE(testing::value_names(HKEY_CURRENT_USER, kSettingsKey).empty());
  EXPECT_TRUE(requests_to("/rest/api/change/user").empty());
}

TEST_F(AccountTest, RefusedOrganisationChangeStillSignsInWithoutTokenOrOrganisation) {
  Json::Value fault;
  fault["path"] = "/rest/api/change/user";
  fault["code"] = 1;
  service_.add_fault(fault);
  DialogRobot robot;
  sign_in_with(robot, L"bob", L"bob-pass");
  robot.expect_dialog(mivo::robot::kTenancyDialog)
      .select_text(IDC_TENANCY_LIST, L"acme")
      .press(IDOK);
  robot.expect_message_box().answer(IDOK);
  EXPECT_EQ(S_OK, request_->AccountSetting());
  ASSERT_TRUE(robot.wait()) << robot.report();

  ASSERT_EQ(1u, robot.message_boxes().size());
  EXPECT_EQ(kCaption, robot.message_boxes()[0].caption);
  EXPECT_EQ(L"登录失败，请检查用户名和密码", robot.message_boxes()[0].text);
  EXPECT_EQ(static_cast<UINT>(MB_ICONWARNING), robot.message_boxes()[0].icon);
  EXPECT_EQ((std::vector<std::wstring>{L"mivopassword", L"mivositename", L"mivousername"}),
            testing::value_names(HKEY_CURRENT_USER, kSettingsKey));
}

// The host's language (the add-in names Office's), a variant of it, or
// without one the user's Windows display language: the dialog and the
// warning speak the same.
TEST_F(AccountTest, DialogsAndWarningsSpeakTheHostsLanguageElseTheUsersWindowsLanguage) {
  const auto refused_sign_in = [&](LANGID host_language) {
    testing::set_scheduler_language(host_language);
    DialogRobot robot;
    sign_in_with(robot, L"bob", L"wrong");
    robot.expect_message_box().answer(IDOK);
    robot.expect_dialog(mivo::robot::kAccountDialog).press(IDCANCEL);
    EXPECT_EQ(S_FALSE, request_->AccountSetting());
    EXPECT_TRUE(robot.wait()) << robot.report();
    return std::make_pair(robot.dialogs().at(0).caption, robot.message_boxes().at(0).text);
  };
  const auto english =
      std::make_pair(std::wstring(L"Sign in to Mivo Meeting"),
                     std::wstring(L"Sign-in failed. Please check your user name and password."));
  const auto chinese =
      std::make_pair(std::wstring(L"登录Mivo会议"), std::wstring(L"登录失败，请检查用户名和密码"));
  EXPECT_EQ(english, refused_sign_in(testing::kEnglish));
  EXPECT_EQ(chinese, refused_sign_in(MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_HONGKONG)));
  EXPECT_EQ(english, refused_sign_in(MAKELANGID(LANG_ICELANDIC, SUBLANG_DEFAULT)));
  const bool chinese_windows = PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_CHINESE;
  EXPECT_EQ(chinese_windows ? chinese : english, refused_sign_in(0));
}

TEST_F(AccountTest, UnansweredAndRefusedSignInsWarnAndKeepTheDialogOpen) {
  Json::Value fault;
  fault["path"] = "/rest/login";
  fault["empty"] = true;
  fault["times"] = 1;
  service_.add_fault(fault);
  DialogRobot robot;
  sign_in_with(robot, L"alice", L"alice-pass");
  robot.expect_message_box().answer(IDOK);
  // The dialog is still there, fields as typed: now a wrong password.
  robot.expect_dialog(mivo::robot::kAccountDialog)
      .read(IDC_ACCOUNT_USERNAME)
      .set_text(IDC_ACCOUNT_PASSWORD, L"wrong")
      .press(IDOK);
  robot.expect_message_box().answer(IDOK);
  robot.expect_dialog(mivo::robot::kAccountDialog).press(IDCANCEL);
  EXPECT_EQ(S_FALSE, request_->AccountSetting());
  ASSERT_TRUE(robot.wait()) << robot.report();

  const auto boxes = robot.message_boxes();
  ASSERT_EQ(2u, boxes.size());
  EXPECT_EQ(L"服务器无响应，请检查网络连接", boxes[0].text);
  EXPECT_EQ(L"登录失败，请检查用户名和密码", boxes[1].text);
  for (const auto& box : boxes) EXPECT_EQ(kCaption, box.caption);
  EXPECT_EQ(L"alice", robot.result(2).controls.at(IDC_ACCOUNT_USERNAME).text);
  EXPECT_TRUE(testing::value_names(HKEY_CURRENT_USER, kSettingsKey).empty());
  EXPECT_EQ(2u, requests_to("/rest/login").size());
}

TEST_F(AccountTest, SignOutRemovesExactlyTheAccountValues) {
  for (const char* name : {"mivositename", "mivousername", "mivopassword", "mivotoken",
                           "mivoorgName", "OutlookPluginVersion", "SaveUrl"})
    testing::set_setting(name, std::string("value of ") + name);

  {
    DialogRobot cancelled;
    cancelled.expect_dialog(mivo::robot::kCancellationDialog).press(IDCANCEL);
    EXPECT_EQ(S_FALSE, request_->CancellationDlg(0));
    ASSERT_TRUE(cancelled.wait()) << cancelled.report();
  }
  EXPECT_EQ(7u, testing::value_names(HKEY_CURRENT_USER, kSettingsKey).size());

  DialogRobot confirmed;
  confirmed.expect_dialog(mivo::robot::kCancellationDialog).press(IDOK);
  EXPECT_EQ(S_OK, request_->CancellationDlg(0));
  ASSERT_TRUE(confirmed.wait()) << confirmed.report();
  EXPECT_EQ((std::vector<std::wstring>{L"OutlookPluginVersion", L"SaveUrl"}),
            testing::value_names(HKEY_CURRENT_USER, kSettingsKey));
  EXPECT_EQ(S_FALSE, request_->OnLogin());
}

TEST_F(AccountTest, ProtectedPasswordSignsInAgainWhenTheTokenIsGone) {
  {
    DialogRobot robot;
    sign_in_with(robot, L"alice", L"alice-pass");
    ASSERT_EQ(S_OK, request_->AccountSetting());
    ASSERT_TRUE(robot.wait()) << robot.report();
  }
  EXPECT_EQ(std::string::npos, testing::setting("mivopassword").find("alice-pass"));

  testing::set_setting("mivotoken", "");
  DialogRobot refresh;
  EXPECT_EQ(S_OK, request_->SimpleUpdate(0));
  ASSERT_TRUE(refresh.wait()) << refresh.report();
  const auto logins = requests_to("/rest/login");
  ASSERT_EQ(2u, logins.size());
  EXPECT_EQ(logins[0].body, logins[1].body);
}

TEST_F(AccountTest, PlainPasswordOfAnEarlierVersionIsProtectedTheFirstTimeItIsRead) {
  // Signed in with a token: no sign-in would ever come to protect it.
  testing::set_setting("mivositename", service_.base_url());
  testing::set_setting("mivousername", "alice");
  testing::set_setting("mivopassword", "alice-pass");
  testing::set_setting("mivotoken", "token-of-an-earlier-version");
  EXPECT_EQ(S_OK, request_->OnLogin());
  EXPECT_EQ("alice-pass", stored_password());
  EXPECT_TRUE(service_.requests().empty());

  // The protected password signs in as the plain one did.
  testing::set_setting("mivotoken", "");
  DialogRobot robot;
  EXPECT_EQ(S_OK, request_->SimpleUpdate(0));
  ASSERT_TRUE(robot.wait()) << robot.report();
  const auto logins = requests_to("/rest/login");
  ASSERT_EQ(1u, logins.size());
  EXPECT_NE(std::string::npos, logins[0].body.find("\"password\":\"alice-pass\""));
  // The refresh itself stores no token.
  EXPECT_EQ("", testing::setting("mivotoken"));
}

TEST_F(AccountTest, StoredTokenWithALineBreakAddsNoHeaderToAnyRequest) {
  testing::set_setting("mivositename", service_.base_url());
  testing::set_setting("mivousername", "alice");
  testing::set_setting("mivopassword", "alice-pass");
  testing::set_setting("mivotoken", "t\r\nX-Injected: yes");
  DialogRobot robot;
  EXPECT_EQ(S_OK, request_->SimpleUpdate(0));
  ASSERT_TRUE(robot.wait()) << robot.report();
  const auto requests = service_.requests();
  ASSERT_FALSE(requests.empty());
  for (const auto& request : requests) EXPECT_EQ("", request.header("X-Injected")) << request.path;
  EXPECT_EQ(1u, requests_to("/rest/login").size()) << "signed in as without a token";
}

// --- The one service address ------------------------------------------------

TEST_F(AccountTest, AccountPlantedForAnotherAddressSendsNothingAndCountsAsSignedOut) {
  // localhost reaches the same service, so anything sent there is recorded:
  // the address an older version left, or any program of the user wrote.
  testing::set_setting("mivositename", "http://localhost:" + std::to_string(service_.port()));
  testing::set_setting("mivousername", "alice");
  testing::set_setting("mivopassword", "alice-pass");
  for (const char* token : {"", "planted-token"}) {
    SCOPED_TRACE(token);
    testing::set_setting("mivotoken", token);
    DialogRobot robot;
    robot.expect_dialog(mivo::robot::kAccountDialog).read(IDC_ACCOUNT_SITE).press(IDCANCEL);
    EXPECT_EQ(E_FAIL, request_->SimpleUpdate(0));
    ASSERT_TRUE(robot.wait()) << robot.report();
    // The dialog offers the service in use, not the planted address.
    EXPECT_EQ(mivo::win::to_wide(service_.base_url()),
              robot.result(0).controls.at(IDC_ACCOUNT_SITE).text);
    EXPECT_TRUE(service_.requests().empty()) << "the stored account went to the planted address";
    for (const wchar_t* name : {L"mivositename", L"mivousername", L"mivopassword", L"mivotoken"})
      EXPECT_FALSE(testing::value_exists(HKEY_CURRENT_USER, kSettingsKey, name))
          << mivo::win::to_utf8(name);
    EXPECT_EQ(S_FALSE, request_->OnLogin());
    testing::set_setting("mivositename", "http://localhost:" + std::to_string(service_.port()));
    testing::set_setting("mivousername", "alice");
    testing::set_setting("mivopassword", "alice-pass");
  }
}

// The administrator's address under HKEY_LOCAL_MACHINE\Software\Policies.
class PolicyAddressTest : public AccountTest {
 protected:
  void set_policy(const wchar_t* name, const std::wstring& text) {
    testing::set_string(HKEY_LOCAL_MACHINE, kPolicyKey, name, text);
  }
  void set_policy(const wchar_t* name, DWORD value) {
    testing::set_raw_value(HKEY_LOCAL_MACHINE, kPolicyKey, name, REG_DWORD, &value, sizeof(value));
  }
  std::string signed_in_host() {
    DialogRobot robot;
    sign_in_with(robot, L"alice", L"alice-pass");
    EXPECT_EQ(S_OK, request_->AccountSetting());
    EXPECT_TRUE(robot.wait()) << robot.report();
    const auto logins = requests_to("/rest/login");
    return logins.empty() ? "(no sign-in)" : logins[0].header("Host");
  }

  static constexpr wchar_t kPolicyKey[] = L"Software\\Policies\\Mivo_Outlook\\General";
  testing::registry_key_guard policy_{HKEY_LOCAL_MACHINE, kPolicyKey};
};

TEST_F(PolicyAddressTest, SignInAndEveryLaterRequestGoToTheAdministratorsAddress) {
  // The reference service's own certificate names localhost; the policy
  // accepts its unknown issuer.
  const std::string address = "https://localhost:" + std::to_string(service_.port() + 1);
  set_policy(L"ServiceUrl", mivo::win::to_wide(address));
  set_policy(L"AllowUntrustedCertificates", 1);
  EXPECT_EQ("localhost:" + std::to_string(service_.port() + 1), signed_in_host());
  EXPECT_EQ(address, testing::setting("mivositename"));

  service_.clear_requests();
  DialogRobot robot;
  EXPECT_EQ(S_OK, request_->SimpleUpdate(0));
  ASSERT_TRUE(robot.wait()) << robot.report();
  const auto info = requests_to("/rest/api/conference/user/info");
  ASSERT_EQ(1u, info.size());
  EXPECT_EQ("localhost:" + std::to_string(service_.port() + 1), info[0].header("Host"));
}

TEST_F(PolicyAddressTest, AddressThatIsNotHttpsIsIgnored) {
  set_policy(L"ServiceUrl",
             mivo::win::to_wide("http://localhost:" + std::to_string(service_.port())));
  EXPECT_EQ("127.0.0.1:" + std::to_string(service_.port()), signed_in_host());
  EXPECT_EQ(service_.base_url(), testing::setting("mivositename"));
}

// The meeting options: what the dialog shows, what it refuses and what it
// stores in the meeting record.
TEST_F(AccountTest, MeetingOptionsRefuseAnythingButFourDigitsOrNothing) {
  const unique_bstr settings = mivo::com::make_bstr(
      L"{\"Duration\":30,\"MeetingKey\":\"\",\"OrStart\":46000.5,\"Start\":46000.5,"
      L"\"Subject\":\"Planning\",\"enterMeetMute\":false}\n");
  ASSERT_EQ(S_OK, request_->SetSettings(VARIANT_TRUE, settings.get(), nullptr));

  {
    DialogRobot robot;
    robot.expect_dialog(mivo::robot::kMeetingDialog)
        .read(IDC_MEETING_MUTE)
        .read(IDC_MEETING_PASSWORD)
        .set_text(IDC_MEETING_PASSWORD, L"12a4")
        .press(IDOK);
    robot.expect_message_box().answer(IDOK);
    robot.expect_dialog(mivo::robot::kMeetingDialog)
        .read(IDC_MEETING_PASSWORD)
        .set_text(IDC_MEETING_PASSWORD, L"12345")
        .press(IDOK);
    robot.expect_message_box().answer(IDOK);
    robot.expect_dialog(mivo::robot::kMeetingDialog)
        .read(IDC_MEETING_PASSWORD)
        .set_text(IDC_MEETING_PASSWORD, L"")
        .check(IDC_MEETING_MUTE, false)
        .press(IDOK);
    EXPECT_EQ(S_OK, request_->SettingsDoModal(0));
    ASSERT_TRUE(robot.wait()) << robot.report();

    EXPECT_TRUE(robot.result(0).controls.at(IDC_MEETING_MUTE).checked);
    EXPECT_EQ(L"", robot.result(0).controls.at(IDC_MEETING_PASSWORD).text);
    const auto boxes = robot.message_boxes();
    ASSERT_EQ(2u, boxes.size());
    for (const auto& box : boxes) {
      EXPECT_EQ(L"密码必须为4位数字", box.text);
      EXPECT_EQ(kCaption, box.caption);
    }
    for (size_t step : {2u, 4u}) {
      const std::wstring fresh = robot.result(step).controls.at(IDC_MEETING_PASSWORD).text;
      ASSERT_EQ(4u, fresh.size()) << step;
      EXPECT_GE(std::stoi(fresh), 1110) << step;
    }
  }
  BSTR record = nullptr;
  ASSERT_EQ(S_OK, request_->GetMailBody(nullptr, &record));
  const unique_bstr owned(record);
  EXPECT_NE(std::string::npos, mivo::win::bstr_to_utf8(record).find("\"enterMeetMute\":false"));

  DialogRobot cancelled;
  cancelled.expect_dialog(mivo::robot::kMeetingDialog).press(IDCANCEL);
  EXPECT_EQ(E_FAIL, request_->SettingsDoModal(0));
  ASSERT_TRUE(cancelled.wait()) << cancelled.report();
}

TEST_F(AccountTest, ResourceLibraryWaitsForTheFirstDialogNotForTheSchedulersLoading) {
  // The scheduler is loaded and an object made; nothing needed resources yet.
  EXPECT_EQ(nullptr, GetModuleHandleW(L"MivoOlkRes.dll"));
  DialogRobot confirmed;
  confirmed.expect_dialog(mivo::robot::kAboutDialog).press(IDOK);
  EXPECT_EQ(S_OK, request_->AboutDlg(0));
  ASSERT_TRUE(confirmed.wait()) << confirmed.report();
  EXPECT_NE(nullptr, GetModuleHandleW(L"MivoOlkRes.dll"));
}

TEST_F(AccountTest, AboutIgnoresEscapeAndFailsWhenClosedFromItsTitleBar) {
  {
    DialogRobot closed;
    closed.expect_dialog(mivo::robot::kAboutDialog).escape().read(IDC_ABOUT_PICTURE).close_box();
    EXPECT_EQ(E_FAIL, request_->AboutDlg(0));
    ASSERT_TRUE(closed.wait()) << closed.report();
  }

  DialogRobot confirmed;
  confirmed.expect_dialog(mivo::robot::kAboutDialog).press(IDOK);
  EXPECT_EQ(S_OK, request_->AboutDlg(0));
  ASSERT_TRUE(confirmed.wait()) << confirmed.report();
}

// No window of the thread is active: nothing is shown, nothing confirmed.
class NoActiveWindowTest : public ::testing::Test {
 protected:
  testing::com_apartment com_;
  testing::SettingsKeyGuard settings_;
  com_ptr<IMeetingRequest> request_ = testing::create_meeting_request();
};

TEST_F(NoActiveWindowTest, DialogsDoNotAppearAndReportNotConfirmed) {
  ASSERT_EQ(nullptr, GetActiveWindow());
  DialogRobot robot;
  EXPECT_EQ(S_FALSE, request_->AccountSetting());
  EXPECT_EQ(E_FAIL, request_->SettingsDoModal(0));
  EXPECT_EQ(E_FAIL, request_->AboutDlg(0));
  EXPECT_EQ(S_FALSE, request_->CancellationDlg(0));
  EXPECT_TRUE(robot.wait()) << robot.report();
  EXPECT_TRUE(robot.shown().empty());
}

}  // namespace
}  // namespace mivo::scheduler

// Meetings end to end through the real DLL against the reference service:
// commit, delete and the mail body with a settings sink of the test, the
// instant meeting through the desktop client or the browser, and the
// version check with the installer.
#include <windows.h>
#include <wincrypt.h>

#include <gtest/gtest.h>
#include <json/reader.h>
#include <json/value.h>

#include <algorithm>
#include <string>
#include <vector>

#include "com/module.h"
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
using testing::LaunchRecords;

constexpr wchar_t kCaption[] = L"Mivo会议";
constexpr double kJanuary15At10 = 47498 + 10.0 / 24;  // 2030-01-15 10:00

std::wstring appointment(const std::wstring& subject, int recurrence_state = 0,
                         double start = kJanuary15At10) {
  return L"{\"Duration\":45,\"IsRecurring\":0,\"OrStart\":" + std::to_wstring(start) +
         L",\"Recipients\":[],\"Start\":" + std::to_wstring(start) + L",\"Subject\":\"" + subject +
         L"\",\"recurrenceState\":" + std::to_wstring(recurrence_state) + L"}\n";
}

std::string base64_decode(const std::string& text) {
  DWORD size = 0;
  if (!CryptStringToBinaryA(text.c_str(), static_cast<DWORD>(text.size()), CRYPT_STRING_BASE64,
                            nullptr, &size, nullptr, nullptr))
    return "(not Base64)";
  std::string bytes(size, '\0');
  CryptStringToBinaryA(text.c_str(), static_cast<DWORD>(text.size()), CRYPT_STRING_BASE64,
                       reinterpret_cast<BYTE*>(bytes.data()), &size, nullptr, nullptr);
  bytes.resize(size);
  return bytes;
}

// A signed-in user (alice unless told otherwise) with a live token, an
// active window and one request object.
class MeetingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    service_.reset();
    sign_in("alice", "alice-pass");
  }

  void sign_in(const std::string& user_name, const std::string& password) {
    Json::Value body;
    body["username"] = user_name;
    body["password"] = password;
    const auto answer = service_.send("POST", "/rest/login", body.toStyledString());
    Json::Value envelope;
    Json::Reader().parse(answer.body, envelope);
    token_ = envelope["data"]["token"].asString();
    ASSERT_FALSE(token_.empty()) << answer.body;
    testing::set_setting("mivositename", service_.base_url());
    testing::set_setting("mivousername", user_name);
    testing::set_setting("mivopassword", password);
    testing::set_setting("mivotoken", token_);
    service_.clear_requests();
  }

  HRESULT load(const std::wstring& appointment_record, bool item_open = false,
               const std::wstring& settings_record = L"") {
    const unique_bstr settings = mivo::com::make_bstr(settings_record.c_str());
    const unique_bstr appointment_text = mivo::com::make_bstr(appointment_record.c_str());
    return request_->SetSettings(item_open ? VARIANT_TRUE : VARIANT_FALSE, settings.get(),
                                 appointment_text.get());
  }

  LONG parent() const { return HandleToLong(window_.get()); }

  // Commits a new meeting, answering the options dialog with OK, after the
  // user refresh the add-in runs first (an update needs the host it learns).
  HRESULT commit_new(const std::wstring& subject, int recurrence_state = 0) {
    EXPECT_EQ(S_OK, request_->SimpleUpdate(0));
    service_.clear_requests();
    sink_.subject = subject;
    load(appointment(subject, recurrence_state));
    DialogRobot robot;
    robot.expect_dialog(mivo::robot::kMeetingDialog).press(IDOK);
    const HRESULT hr = request_->Commit(parent());
    EXPECT_TRUE(robot.wait()) << robot.report();
    return hr;
  }

  std::string mail_body() {
    BSTR body = nullptr;
    EXPECT_EQ(S_OK, request_->GetMailBody(&body, nullptr));
    const unique_bstr owned(body);
    return body ? mivo::win::bstr_to_utf8(body) : "(null)";
  }

  Json::Value settings_record() {
    BSTR text = nullptr;
    EXPECT_EQ(S_OK, request_->GetMailBody(nullptr, &text));
    const unique_bstr owned(text);
    Json::Value record;
    Json::Reader().parse(mivo::win::bstr_to_utf8(text), record);
    return record;
  }

  ULONG changed() {
    ULONG flag = 0xdeadbeef;
    EXPECT_EQ(S_OK, request_->GetMeetingInfoChangedFlag(&flag));
    return flag;
  }

  std::vector<std::string> calls() {
    std::vector<std::string> found;
    for (const auto& r : service_.requests()) found.push_back(r.method + " " + r.target);
    return found;
  }

  void add_fault(const std::string& method, const std::string& path, const char* member,
                 const Json::Value& value) {
    Json::Value fault;
    fault["method"] = method;
    fault["path"] = path;
    fault[member] = value;
    service_.add_fault(fault);
  }

  testing::com_apartment com_;
  testing::SettingsKeyGuard settings_;
  // The texts these tests read are the Chinese ones.
  testing::SchedulerLanguage language_{testing::kChinese};
  mivo::refservice::Client service_;
  std::string token_;
  testing::owner_window window_;
  testing::TestSettingsSink sink_;
  com_ptr<IMeetingRequest> request_ = testing::create_meeting_request();
};

class CommitTest : public MeetingTest {
 protected:
  void SetUp() override {
    MeetingTest::SetUp();
    ASSERT_EQ(S_OK, request_->Advise(SINK_SETTINGS, &sink_));
  }
  void TearDown() override {
    if (request_) request_->UnAdvise(SINK_SETTINGS);
  }
};

HRESULT scheduler_can_unload_now() {
  using CanUnloadFn = HRESULT(STDAPICALLTYPE*)();
  return mivo::com::get_proc_address<CanUnloadFn>(testing::scheduler_library(),
                                                  "DllCanUnloadNow")();
}

// A window of the test's thread that lets go of the test's request object
// when its message arrives, as a host closing an appointment window inside
// a nested message loop does, and notes whether the scheduler DLL could be
// unloaded right after.
class HostRelease {
 public:
  explicit HostRelease(com_ptr<IMeetingRequest>& request) : request_(request) {
    window_ =
        CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    previous_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&procedure)));
  }
  ~HostRelease() { DestroyWindow(window_); }
  HostRelease(const HostRelease&) = delete;
  HostRelease& operator=(const HostRelease&) = delete;

  void post() { PostMessageW(window_, WM_APP, 0, 0); }

  bool released = false;
  HRESULT can_unload_after_release = E_UNEXPECTED;

 private:
  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    auto* self = reinterpret_cast<HostRelease*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message != WM_APP) return CallWindowProcW(self->previous_, window, message, w, l);
    self->request_->UnAdvise(SINK_SETTINGS);
    self->request_.reset();
    self->released = true;
    self->can_unload_after_release = scheduler_can_unload_now();
    return 0;
  }

  com_ptr<IMeetingRequest>& request_;
  HWND window_ = nullptr;
  WNDPROC previous_ = nullptr;
};

// The host's last reference goes while the options dialog is open: the call
// still finishes on a live object, which goes only when the call returns.
TEST_F(CommitTest, HostReleasingTheObjectDuringCommitLetsTheCallFinish) {
  sink_.subject = L"Planning";
  load(appointment(L"Planning"));
  IMeetingRequest* const running = request_.get();
  HostRelease host(request_);
  host.post();
  DialogRobot robot;
  robot.expect_dialog(mivo::robot::kMeetingDialog).press(IDOK);
  EXPECT_EQ(S_OK, running->Commit(parent()));
  ASSERT_TRUE(robot.wait()) << robot.report();

  ASSERT_TRUE(host.released);
  EXPECT_EQ(S_FALSE, host.can_unload_after_release);
  EXPECT_EQ(1u, service_.meetings().size());
  EXPECT_EQ(S_OK, scheduler_can_unload_now());
}

TEST_F(CommitTest, NewMeetingIsCreatedAndWritesBackSubjectLocationAndInvitation) {
  ASSERT_EQ(S_OK, commit_new(L"Planning"));

  const auto requests = service_.requests();
  ASSERT_EQ(1u, requests.size());
  EXPECT_EQ("POST", requests[0].method);
  EXPECT_EQ("/rest/api/conference/schedule", requests[0].target);
  EXPECT_EQ(token_, requests[0].header("token"));

  const std::string key = settings_record()["MeetingKey"].asString();
  ASSERT_FALSE(key.empty());
  EXPECT_EQ(1u, service_.meetings().size());
  EXPECT_EQ((std::vector<std::wstring>{
                L"GetSubject", L"GetSubject", L"SetSubject Planning", L"GetLocation",
                L"SetLocation " + mivo::win::to_wide(service_.base_url() + "/" + key)}),
            sink_.calls);
  const std::string body = mail_body();
  EXPECT_EQ(0u, body.find("Alice Walker 邀请您参加视频会议\n会议主题：Planning\n")) << body;
  EXPECT_NE(std::string::npos, body.find("会议号：" + key)) << body;
  EXPECT_EQ(std::string::npos, body.find("\\n")) << body;
  EXPECT_EQ(0u, changed());
}

TEST_F(CommitTest, UpdateLooksUpTheConferenceAndPutsWithoutTheDialogOrANewLocation) {
  ASSERT_EQ(S_OK, commit_new(L"Planning"));
  const std::string key = settings_record()["MeetingKey"].asString();
  service_.clear_requests();
  sink_.calls.clear();

  sink_.subject = L"Review";
  load(appointment(L"Review"));
  EXPECT_EQ(1u, changed());
  DialogRobot robot;
  EXPECT_EQ(S_OK, request_->Commit(parent()));
  ASSERT_TRUE(robot.wait()) << robot.report();
  for (const auto& dialog : robot.dialogs()) {
    const auto& ids = dialog.control_ids;
    EXPECT_EQ(ids.end(), std::find(ids.begin(), ids.end(), IDC_MEETING_NEW_PASSWORD));
  }
  EXPECT_TRUE(robot.message_boxes().empty());

  EXPECT_EQ((std::vector<std::string>{"GET /rest/api/conference/schedule/" + key,
                                      "PUT /rest/api/conference/schedule"}),
            calls());
  EXPECT_EQ((std::vector<std::wstring>{L"GetSubject", L"GetSubject", L"SetSubject Review",
                                       L"GetLocation"}),
            sink_.calls);
  EXPECT_EQ(key, settings_record()["MeetingKey"].asString());
  EXPECT_NE(std::string::npos, mail_body().find("会议主题：Review"));
  EXPECT_EQ(0u, changed());
}

TEST_F(CommitTest, OccurrenceIsSavedSingleFoundByItsDateAndDeletedAlone) {
  ASSERT_EQ(S_OK, commit_new(L"Standup", 2));
  const std::string key = settings_record()["MeetingKey"].asString();
  const Json::Value meetings = service_.meetings();
  ASSERT_EQ(1u, meetings.size());
  service_.clear_requests();

  EXPECT_EQ(S_OK, request_->Delete(parent()));
  const auto sent = calls();
  ASSERT_EQ(2u, sent.size());
  EXPECT_EQ("GET /rest/api/conference/schedule/" + key, sent[0]);
  EXPECT_EQ(0u, sent[1].find("DELETE /rest/api/conference/schedule?id="));
  EXPECT_NE(std::string::npos, sent[1].find("&type=0")) << sent[1];
  EXPECT_EQ(sent[1].size(), sent[1].find("&type=0") + 7) << sent[1];
  EXPECT_EQ("", settings_record()["MeetingKey"].asString());
}

TEST_F(CommitTest, WholeMeetingIsDeletedWithType1AndDeleteWithoutKeySendsNothing) {
  ASSERT_EQ(S_OK, commit_new(L"Planning"));
  service_.clear_requests();
  EXPECT_EQ(S_OK, request_->Delete(parent()));
  const auto sent = calls();
  ASSERT_EQ(2u, sent.size());
  EXPECT_NE(std::string::npos, sent[1].find("&type=1")) << sent[1];
  EXPECT_EQ(0u, service_.meetings().size());

  service_.clear_requests();
  EXPECT_EQ(S_OK, request_->Delete(parent()));
  EXPECT_TRUE(service_.requests().empty());
}

// The appointment window is closing and no window of the host is active: the
// update and the deletion still reach the service, with the conference the
// lookup found, in request dialogs of their own.
TEST_F(CommitTest, UpdateAndDeleteWithoutAnActiveWindowReachTheServiceWithTheConference) {
  ASSERT_EQ(S_OK, commit_new(L"Planning"));
  const std::string key = settings_record()["MeetingKey"].asString();
  const std::string conference = service_.meetings()[0]["occurrences"][0]["id"].asString();
  ASSERT_FALSE(conference.empty());
  const LONG closed_window = parent();
  DestroyWindow(window_.get());
  ASSERT_EQ(nullptr, GetActiveWindow());
  service_.clear_requests();

  sink_.subject = L"Review";
  load(appointment(L"Review"));
  {
    DialogRobot robot;
    EXPECT_EQ(S_OK, request_->Commit(closed_window));
    ASSERT_TRUE(robot.wait()) << robot.report();
    ASSERT_EQ(2u, robot.dialogs().size());
    for (const auto& dialog : robot.dialogs()) EXPECT_EQ(nullptr, dialog.owner);
  }
  const auto update = service_.requests();
  ASSERT_EQ(2u, update.size());
  EXPECT_EQ("GET /rest/api/conference/schedule/" + key, update[0].method + " " + update[0].target);
  Json::Value body;
  Json::Reader().parse(update[1].body, body);
  EXPECT_EQ("PUT", update[1].method);
  EXPECT_EQ(conference, body["conferenceId"].asString());
  EXPECT_EQ("Review", service_.meetings()[0]["occurrences"][0]["subject"].asString());

  service_.clear_requests();
  EXPECT_EQ(S_OK, request_->Delete(closed_window));
  EXPECT_EQ((std::vector<std::string>{
                "GET /rest/api/conference/schedule/" + key,
                "DELETE /rest/api/conference/schedule?id=" + conference + "&type=1"}),
            calls());
  EXPECT_EQ(0u, service_.meetings().size());
  EXPECT_EQ("", settings_record()["MeetingKey"].asString());
}

// The service has forgotten the meeting, or cannot be reached: the key stays
// unless the service said it has no such conference, and no DELETE names an
// empty conference.
TEST_F(CommitTest, DeleteSendsNoDeletionForAConferenceTheLookupDidNotName) {
  ASSERT_EQ(S_OK, commit_new(L"Planning"));
  const std::string key = settings_record()["MeetingKey"].asString();
  const std::string lookup = "/rest/api/conference/schedule/" + key;
  service_.clear_requests();

  add_fault("GET", lookup, "empty", true);
  {
    DialogRobot robot;
    robot.expect_message_box().answer(IDOK);
    EXPECT_EQ(E_FAIL, request_->Delete(parent()));
    ASSERT_TRUE(robot.wait()) << robot.report();
    ASSERT_EQ(1u, robot.message_boxes().size());
    EXPECT_EQ(L"服务器无响应，请检查网络连接", robot.message_boxes()[0].text);
  }
  EXPECT_EQ(key, settings_record()["MeetingKey"].asString());

  service_.clear_faults();
  add_fault("GET", lookup, "body", R"({"code":0,"data":[]})");
  EXPECT_EQ(S_OK, request_->Delete(parent()));
  EXPECT_EQ("", settings_record()["MeetingKey"].asString());
  EXPECT_EQ((std::vector<std::string>{"GET " + lookup, "GET " + lookup}), calls());
  EXPECT_EQ(1u, service_.meetings().size());
}

TEST_F(CommitTest, RefusalMinus602Shows110AndLeavesTheMeetingUncreated) {
  add_fault("POST", "/rest/api/conference/schedule", "code", -602);
  sink_.subject = L"Planning";
  load(appointment(L"Planning"));
  DialogRobot robot;
  robot.expect_dialog(mivo::robot::kMeetingDialog).press(IDOK);
  robot.expect_message_box().answer(IDOK);
  EXPECT_EQ(E_FAIL, request_->Commit(parent()));
  ASSERT_TRUE(robot.wait()) << robot.report();

  ASSERT_EQ(1u, robot.message_boxes().size());
  EXPECT_EQ(L"服务器拒绝预约该会议", robot.message_boxes()[0].text);
  EXPECT_EQ(kCaption, robot.message_boxes()[0].caption);
  EXPECT_EQ("", settings_record()["MeetingKey"].asString());
  EXPECT_EQ("(null)", mail_body());
  EXPECT_EQ(1u, changed());
  EXPECT_EQ((std::vector<std::wstring>{L"GetSubject", L"GetSubject"}), sink_.calls);
}

TEST_F(CommitTest, EmptyOrUnreadableAnswerWarnsNoAnswerAndLosesNothing) {
  ASSERT_EQ(S_OK, commit_new(L"Planning"));
  const std::string key = settings_record()["MeetingKey"].asString();
  const std::string invitation = mail_body();
  sink_.subject = L"Review";
  load(appointment(L"Review"));

  for (const char* fault : {"empty", "malformed"}) {
    SCOPED_TRACE(fault);
    service_.clear_faults();
    add_fault("PUT", "/rest/api/conference/schedule", fault, true);
    sink_.calls.clear();
    DialogRobot robot;
    robot.expect_message_box().answer(IDOK);
    EXPECT_EQ(E_FAIL, request_->Commit(parent()));
    ASSERT_TRUE(robot.wait()) << robot.report();
    ASSERT_EQ(1u, robot.message_boxes().size());
    EXPECT_EQ(L"服务器无响应，请检查网络连接", robot.message_boxes()[0].text);
    EXPECT_EQ(key, settings_record()["MeetingKey"].asString());
    EXPECT_EQ(invitation, mail_body());
    EXPECT_EQ(1u, changed());
    EXPECT_EQ((std::vector<std::wstring>{L"GetSubject", L"GetSubject"}), sink_.calls);
  }
}

TEST_F(CommitTest, SubjectOf64CharactersPassesAnd65AreRefusedBeforeAnythingIsSent) {
  const std::wstring longest(64, L'会');
  const std::wstring too_long(65, L'a');
  sink_.subject = too_long;
  load(appointment(L"x"));
  {
    DialogRobot robot;
    robot.expect_message_box().answer(IDOK);
    EXPECT_EQ(E_FAIL, request_->Commit(parent()));
    ASSERT_TRUE(robot.wait()) << robot.report();
    ASSERT_EQ(1u, robot.message_boxes().size());
    EXPECT_EQ(L"会议主题不得超过64个字符", robot.message_boxes()[0].text);
    EXPECT_EQ(window_.get(), robot.message_boxes()[0].owner);
    EXPECT_TRUE(service_.requests().empty());
  }
  EXPECT_EQ(S_OK, commit_new(longest));
  EXPECT_EQ(longest, sink_.subject);
}

TEST_F(MeetingTest, CommitWithoutASinkSendsNothing) {
  load(appointment(L"Planning"));
  DialogRobot robot;
  EXPECT_EQ(E_FAIL, request_->Commit(parent()));
  ASSERT_TRUE(robot.wait()) << robot.report();
  EXPECT_TRUE(robot.shown().empty());
  EXPECT_TRUE(service_.requests().empty());
}

// The instant meeting with a desktop client or a browser of the test
// prefix: both are the launch recorder.
class InstantMeetingTest : public MeetingTest {
 protected:
  void SetUp() override {
    MeetingTest::SetUp();
    testing::set_string(HKEY_CLASSES_ROOT, L"https\\shell\\open\\command", nullptr,
                        L"\"" + testing::recorder_path() + L"\" \"%1\"");
  }

  void register_client(const std::wstring& command) {
    testing::set_string(HKEY_CLASSES_ROOT, L"darselVantor\\shell\\open\\command", nullptr, command);
  }

  // The join page's query, decoded; the address must be the service's.
  std::string browser_query(const LaunchRecords::Launch& launch) {
    const std::string address = testing::argument_after_program(launch.command_line);
    const std::string prefix = "\"" + service_.base_url() + "/meet/?";
    if (address.compare(0, prefix.size(), prefix) != 0 || address.back() != '"')
      return "(not the join page) " + address;
    return base64_decode(address.substr(prefix.size(), address.size() - prefix.size() - 1));
  }

  // The query with its process clock replaced by "<t>".
  static std::string without_clock(std::string query) {
    const std::size_t t = query.find("&t=");
    const std::size_t end = query.find('&', t + 1);
    if (t == std::string::npos || end == std::string::npos) return query;
    return query.replace(t + 3, end - t - 3, "<t>");
  }

  testing::registry_key_guard client_{HKEY_CLASSES_ROOT, L"darselVantor"};
  testing::registry_key_guard browser_{HKEY_CLASSES_ROOT, L"https"};
  LaunchRecords records_;
};

TEST_F(InstantMeetingTest, DesktopClientGetsTheLaunchParametersAndNoBrowserOpens) {
  register_client(L"\"" + testing::recorder_path() + L"\" \"%1\"");
  EXPECT_EQ(S_OK, request_->StartInstantMeeting(0));
  const auto launches = records_.collect();
  ASSERT_EQ(1u, launches.size());
  EXPECT_EQ("{\"from\":\"mivo\",\"key\":\"8810010001\",\"token\":\"" + token_ +
                "\",\"type\":\"outlook\",\"user\":\"Alice Walker\"}\n",
            testing::argument_after_program(launches[0].command_line));
  EXPECT_EQ((std::vector<std::string>{"GET /rest/api/conference/user/info"}), calls());
}

TEST_F(InstantMeetingTest, MissingOrUnquotedClientFallsBackToTheJoinPage) {
  for (const std::wstring& command :
       {L"\"" + testing::program_folder() + L"\\no_client.exe\" \"%1\"",
        testing::recorder_path() + L" %1", std::wstring(L"")}) {
    SCOPED_TRACE(mivo::win::to_utf8(command));
    if (command.empty())
      RegDeleteTreeW(HKEY_CLASSES_ROOT, L"darselVantor");
    else
      register_client(command);
    EXPECT_EQ(S_OK, request_->StartInstantMeeting(0));
    const auto launches = records_.collect();
    ASSERT_EQ(1u, launches.size());
    EXPECT_EQ(
        "action=join&key=8810010001&user=Alice Walker&leavecb=0&invitecb=0&from=mivo&t=<t>"
        "&token=" +
            token_,
        without_clock(browser_query(launches.back())));
    EXPECT_EQ(0, _wcsicmp(testing::program_folder().c_str(),
                          mivo::win::to_wide(launches.back().directory).c_str()));
    records_.clear();
  }
}

TEST_F(InstantMeetingTest, JoinQueryCarriesANonAsciiUserNameAsUtf8) {
  sign_in("李雷", "密码123");
  EXPECT_EQ(S_OK, request_->StartInstantMeeting(0));
  const auto launches = records_.collect();
  ASSERT_EQ(1u, launches.size());
  const std::string query = browser_query(launches[0]);
  EXPECT_NE(std::string::npos, query.find("&user=李雷&")) << query;
  EXPECT_NE(std::string::npos, query.find("key=8810010003&")) << query;
}

// The version check. Windows Installer itself starts only in the package's
// own tests (installer/), which install what it installs.
class UpdateTest : public MeetingTest {
 protected:
  void SetUp() override {
    MeetingTest::SetUp();
    testing::set_setting("OutlookPluginVersion", "1.2.3");
    testing::remove_update_folders();
  }
  void TearDown() override { testing::remove_update_folders(); }

  HRESULT get_settings() {
    BSTR setting = reinterpret_cast<BSTR>(0xdeadbeef);
    BSTR appointment_info = reinterpret_cast<BSTR>(0xfeedface);
    const HRESULT hr = request_->GetSettings(&setting, &appointment_info);
    EXPECT_EQ(reinterpret_cast<BSTR>(0xdeadbeef), setting);
    EXPECT_EQ(reinterpret_cast<BSTR>(0xfeedface), appointment_info);
    return hr;
  }
  // Yes to the release channel's question; the download dialog runs; the
  // texts of the boxes after the question are kept.
  std::vector<std::wstring> take_the_update() {
    DialogRobot robot;
    robot.expect_message_box().answer(IDYES);
    robot.expect_dialog(mivo::robot::kDownloadDialog).wait_closed();
    robot.answer_other_message_boxes(IDOK);
    EXPECT_EQ(S_OK, get_settings());
    EXPECT_TRUE(robot.wait()) << robot.report();
    std::vector<std::wstring> later;
    const auto boxes = robot.message_boxes();
    for (std::size_t i = 1; i < boxes.size(); ++i) later.push_back(boxes[i].text);
    return later;
  }
};

TEST_F(UpdateTest, SignedInUserIsAskedOnBothChannelsAndNoDownloadsNothing) {
  service_.set_versions("2.0.0", "2.0.0");
  DialogRobot robot;
  robot.expect_message_box().read_text().answer(IDNO);
  robot.expect_message_box().read_text().answer(IDNO);
  EXPECT_EQ(S_OK, get_settings());
  ASSERT_TRUE(robot.wait()) << robot.report();

  const auto boxes = robot.message_boxes();
  ASSERT_EQ(2u, boxes.size());
  EXPECT_EQ(L"发现新内测版本2.0.0需要升级吗？", boxes[0].text);
  EXPECT_EQ(L"发现新版本2.0.0需要升级吗？", boxes[1].text);
  for (const auto& box : boxes) {
    EXPECT_EQ(kCaption, box.caption);
    EXPECT_EQ((std::vector<int>{IDYES, IDNO}), box.buttons);
  }
  const auto requests = service_.requests();
  ASSERT_EQ(2u, requests.size());
  EXPECT_EQ("/rest/api/grayscale/version/outlook/1.2.3", requests[0].target);
  EXPECT_EQ(token_, requests[0].header("token"));
  EXPECT_EQ("/rest/version/outlook/1.2.3", requests[1].target);
  EXPECT_EQ("", requests[1].header("token"));
  EXPECT_TRUE(testing::update_folders().empty());
}

TEST_F(UpdateTest, WithoutTokenOnlyTheReleaseChannelIsAsked) {
  testing::set_setting("mivotoken", "");
  service_.set_versions("2.0.0", "");
  DialogRobot robot;
  EXPECT_EQ(S_OK, get_settings());
  ASSERT_TRUE(robot.wait()) << robot.report();
  EXPECT_TRUE(robot.message_boxes().empty());
  EXPECT_EQ((std::vector<std::string>{"GET /rest/version/outlook/1.2.3"}), calls());
}

TEST_F(UpdateTest, WithoutAVersionOfTheUsersTheMachinesIsSent) {
  const testing::registry_key_guard machine(HKEY_LOCAL_MACHINE, L"Software\\Mivo_Outlook");
  testing::set_string(HKEY_LOCAL_MACHINE, L"Software\\Mivo_Outlook\\General",
                      L"OutlookPluginVersion", L"1.0.0");
  testing::set_setting("OutlookPluginVersion", "");
  testing::set_setting("mivotoken", "");
  DialogRobot robot;
  EXPECT_EQ(S_OK, get_settings());
  ASSERT_TRUE(robot.wait()) << robot.report();
  EXPECT_EQ((std::vector<std::string>{"GET /rest/version/outlook/1.0.0"}), calls());
}

TEST_F(UpdateTest, TheAdministratorsDisableUpdateCheckSendsNothing) {
  const testing::registry_key_guard policy(HKEY_LOCAL_MACHINE,
                                           L"Software\\Policies\\Mivo_Outlook\\General");
  const DWORD on = 1;
  testing::set_raw_value(HKEY_LOCAL_MACHINE, L"Software\\Policies\\Mivo_Outlook\\General",
                         L"DisableUpdateCheck", REG_DWORD, &on, sizeof(on));
  service_.set_versions("2.0.0", "2.0.0");
  DialogRobot robot;
  EXPECT_EQ(S_OK, get_settings());
  ASSERT_TRUE(robot.wait()) << robot.report();
  EXPECT_TRUE(robot.message_boxes().empty());
  EXPECT_TRUE(calls().empty());
}

TEST_F(UpdateTest, PackageThatFailsVerificationIsDeletedUnopenedAndTheHostGoesOn) {
  const testing::TrustedTestRoot root;
  testing::set_setting("mivotoken", "");
  service_.set_versions("", "2.0.0");
  LaunchRecords records;
  for (const wchar_t* name : {L"untrusted-root.msi", L"other-key.msi"}) {
    SCOPED_TRACE(mivo::win::to_utf8(name));
    // Signed with the publisher's name, by a key of an unknown root (which
    // WinVerifyTrust alone lets through under Wine), or by a key the build
    // does not pin.
    service_.set_installer_content(testing::read_file(testing::update_package(name)));
    EXPECT_EQ((std::vector<std::wstring>{L"无法验证新版本安装程序的签名，已取消升级"}),
              take_the_update());
    EXPECT_TRUE(testing::update_folders().empty());
    EXPECT_TRUE(IsWindow(window_.get()));
  }
  EXPECT_TRUE(records.collect().empty());
}

TEST_F(UpdateTest, BrokenDownloadStartsNothingAndLeavesNoFile) {
  testing::set_setting("mivotoken", "");
  service_.set_versions("", "2.0.0");
  for (const char* fault : {"status", "drop"}) {
    SCOPED_TRACE(fault);
    service_.clear_faults();
    service_.clear_requests();
    const Json::Value value = std::string(fault) == "status" ? Json::Value(404) : Json::Value(true);
    add_fault("GET", "/download/outlookplugin/VantorOutlookPluginSetup.msi", fault, value);
    EXPECT_TRUE(take_the_update().empty());
    // An abandoned worker may still hold the folder for a moment.
    const DWORD start = GetTickCount();
    while (!testing::update_folders().empty() && GetTickCount() - start < 60000) Sleep(50);
    EXPECT_TRUE(testing::update_folders().empty());
    // WinINet tries a dropped connection once more.
    const auto sent = calls();
    ASSERT_GE(sent.size(), 2u);
    EXPECT_EQ("GET /rest/version/outlook/1.2.3", sent[0]);
    EXPECT_EQ("GET /download/outlookplugin/VantorOutlookPluginSetup.msi", sent[1]);
  }
}

}  // namespace
}  // namespace mivo::scheduler

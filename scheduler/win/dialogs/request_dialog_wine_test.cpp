// The request dialog through the transport port against the reference
// service: what reaches the service, what comes back as the response text,
// and what the dialog does while it waits.
#include <gtest/gtest.h>
#include <json/json.h>

#include <future>
#include <string>
#include <thread>

#include "com/unique.h"
#include "dialog_ports.h"
#include "dialog_robot.h"
#include "agent_test_support.h"
#include "dialog_test_support.h"
#include "refservice_client.h"
#include "request_dialog.h"
#include "resource_ids.h"
#include "com/module.h"
#include "com/testing/registry.h"
#include "win/resource_library.h"
#include "win/wide_text.h"

using mivo::com::testing::owner_window;
using mivo::robot::DialogRobot;
using mivo::scheduler::testing::DialogLook;
using mivo::scheduler::testing::InitInspector;
using mivo::scheduler::testing::window_handle;

namespace {

const std::string kLoginBody = "{\"password\":\"alice-pass\",\"username\":\"alice\"}\n";
// A folder without the agent library: the agent could only come from a
// registration.
const wchar_t kFolderWithoutAgent[] = L"C:\\windows\\mivo-no-agent-here";

class RequestDialog : public testing::Test {
 protected:
  static void SetUpTestSuite() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  void SetUp() override {
    ASSERT_TRUE(mivo::scheduler::resource_library());
    service.reset();
  }

  mivo::ServiceRequest login(mivo::WindowHandle owner) const {
    return {service.base_url() + "/rest/login", kLoginBody, "", "POST", owner};
  }
  void add_fault(const char* path, const char* member, const Json::Value& value) {
    Json::Value fault;
    fault["path"] = path;
    fault[member] = value;
    service.add_fault(fault);
  }

  mivo::refservice::Client service;
  owner_window owner;
  std::unique_ptr<mivo::TransportPort> transport = mivo::scheduler::make_transport();
};

Json::Value parse(const std::string& text) {
  Json::Value value;
  Json::Reader().parse(text, value);
  return value;
}

// A registration of the agent's ProgID in the machine's classes while it
// lives, naming the agent's own library in bin: what another version of the
// add-in, or another program, may leave there. (Wine's HKEY_CLASSES_ROOT
// does not show the user's classes.)
class PlantedAgentRegistration {
 public:
  PlantedAgentRegistration() {
    const std::wstring clsid = L"{D1BB714A-BEEE-45FC-B32A-7430219BFDC5}";
    mivo::com::testing::set_string(HKEY_CLASSES_ROOT, kProgId + std::wstring(L"\\CLSID"), nullptr,
                                   clsid);
    const std::wstring server = L"CLSID\\" + clsid + L"\\InprocServer32";
    mivo::com::testing::set_string(HKEY_CLASSES_ROOT, server, nullptr,
                                   mivo::com::module::folder() + L"\\MivoOIURL.dll");
    mivo::com::testing::set_string(HKEY_CLASSES_ROOT, server, L"ThreadingModel", L"Apartment");
  }

 private:
  static constexpr wchar_t kProgId[] = L"MivoOIURL.MivoOIURLObject";
  mivo::com::testing::registry_key_guard prog_id_{HKEY_CLASSES_ROOT, kProgId};
  mivo::com::testing::registry_key_guard class_{HKEY_CLASSES_ROOT,
                                                L"CLSID\\{D1BB714A-BEEE-45FC-B32A-7430219BFDC5}"};
};

}  // namespace

TEST_F(RequestDialog, PostReturnsTheAnswerAndSendsTheBodyWithItsTerminator) {
  DialogRobot robot;
  const std::string response = transport->send(login(window_handle(owner.get())));
  EXPECT_TRUE(robot.wait()) << robot.report();

  const Json::Value answer = parse(response);
  EXPECT_EQ(answer["code"].asInt(), 0) << response;
  EXPECT_FALSE(answer["data"]["token"].asString().empty()) << response;
  const auto requests = service.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].method, "POST");
  EXPECT_EQ(requests[0].path, "/rest/login");
  EXPECT_EQ(requests[0].body, kLoginBody + std::string(1, '\0'));

  const auto dialogs = robot.dialogs();
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_EQ(dialogs[0].owner, owner.get());
}

TEST_F(RequestDialog, GetPutAndDeleteReachTheServiceWithTheirHeader) {
  const std::string schedule = service.base_url() + "/rest/api/conference/schedule";
  const mivo::WindowHandle window = window_handle(owner.get());
  const std::string got = transport->send(
      {service.base_url() + "/rest/api/conference/user/info", "", "token:abc", "GET", window});
  const std::string put = transport->send({schedule, "{}", "token:def", "PUT", window});
  const std::string deleted =
      transport->send({schedule + "?id=7&type=1", "", "token:ghi", "DELETE", window});

  // Unknown tokens: each answer is the service's refusal, still a response.
  EXPECT_EQ(parse(got)["code"].asInt(), -401) << got;
  EXPECT_EQ(parse(put)["code"].asInt(), -401) << put;
  EXPECT_EQ(parse(deleted)["code"].asInt(), -401) << deleted;
  const auto requests = service.requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0].method, "GET");
  EXPECT_EQ(requests[0].header("token"), "abc");
  EXPECT_EQ(requests[0].body, "");
  EXPECT_EQ(requests[1].method, "PUT");
  EXPECT_EQ(requests[1].header("token"), "def");
  EXPECT_EQ(requests[1].body, std::string("{}\0", 3));
  EXPECT_EQ(requests[2].method, "DELETE");
  EXPECT_EQ(requests[2].target, "/rest/api/conference/schedule?id=7&type=1");
  EXPECT_EQ(requests[2].header("token"), "ghi");
}

TEST_F(RequestDialog, NonAsciiAnswerComesBackAsTheSameText) {
  add_fault("/rest/login", "body", "{\"msg\":\"密码错误 ✓\"}");
  EXPECT_EQ(transport->send(login(window_handle(owner.get()))), "{\"msg\":\"密码错误 ✓\"}");
}

TEST_F(RequestDialog, OneByteBodyIsNoAnswer) {
  add_fault("/rest/login", "body", "x");
  EXPECT_EQ(transport->send(login(window_handle(owner.get()))), "");
  EXPECT_EQ(service.requests().size(), 1u);
}

TEST_F(RequestDialog, BodyIsCutAtItsFirstZeroByte) {
  add_fault("/rest/login", "body", std::string("{\"code\":0}\0{\"code\":1}", 21));
  EXPECT_EQ(transport->send(login(window_handle(owner.get()))), "{\"code\":0}");
}

TEST_F(RequestDialog, HttpErrorStatusStillReturnsItsBody) {
  Json::Value fault;
  fault["path"] = "/rest/login";
  fault["status"] = 500;
  fault["body"] = "{\"code\":-500}";
  service.add_fault(fault);
  EXPECT_EQ(transport->send(login(window_handle(owner.get()))), "{\"code\":-500}");
}

TEST_F(RequestDialog, DroppedConnectionIsNoAnswer) {
  add_fault("/rest/login", "drop", true);
  EXPECT_EQ(transport->send(login(window_handle(owner.get()))), "");
  EXPECT_EQ(service.requests().size(), 1u);
}

TEST_F(RequestDialog, AgentErrorIsNoAnswer) {
  // A URL WinINet cannot split: the agent reports a connection error.
  EXPECT_EQ(transport->send(
                {"http://[::1/rest/login", kLoginBody, "", "POST", window_handle(owner.get())}),
            "");
}

// Slow: the agent's own 30-second limit is the one that ends the wait.
TEST_F(RequestDialog, TimedOutRequestIsNoAnswer) {
  add_fault("/rest/login", "delay_ms", 40000);
  EXPECT_EQ(transport->send(login(window_handle(owner.get()))), "");
}

TEST_F(RequestDialog, WhileARequestRunsTheIconTurnsAndNothingEndsTheDialog) {
  add_fault("/rest/login", "delay_ms", 4500);
  InitInspector inspector;
  DialogRobot robot;
  robot.expect_dialog(mivo::robot::kCommunicationDialog)
      .escape()
      .close_box()
      .press(IDOK)
      .press(IDCANCEL)
      .wait_closed();
  const std::string response = transport->send(login(window_handle(owner.get())));
  EXPECT_TRUE(robot.wait()) << robot.report();
  // Had anything ended the dialog early, the request would have been
  // cancelled and nothing would have come back.
  EXPECT_EQ(parse(response)["code"].asInt(), 0) << response;

  const std::vector<HICON> icons = inspector.icons_set(IDC_COMMUNICATION_BUSY);
  ASSERT_GE(icons.size(), 8u);
  for (std::size_t i = 0; i < icons.size(); ++i) {
    const int id = IDI_BUSY_FIRST + static_cast<int>(i % IDI_BUSY_FRAMES);
    EXPECT_EQ(icons[i], LoadIconW(mivo::scheduler::resource_library(), MAKEINTRESOURCEW(id)))
        << "frame " << i;
  }

  ASSERT_EQ(inspector.dialogs().size(), 1u);
  RECT owner_frame{};
  GetWindowRect(owner.get(), &owner_frame);
  const RECT frame = inspector.dialogs()[0].frame;
  EXPECT_NEAR((frame.left + frame.right) / 2, (owner_frame.left + owner_frame.right) / 2, 1);
  EXPECT_NEAR((frame.top + frame.bottom) / 2, (owner_frame.top + owner_frame.bottom) / 2, 1);
}

TEST_F(RequestDialog, DeliveryThatNeverComesEndsTheDialogWithNoAnswer) {
  // The agent delivers on the thread that loaded its library; that thread
  // here never pumps messages, so the answer is never delivered.
  std::promise<void> loaded;
  std::promise<void> release;
  std::thread loader([&] {
    const auto agent = mivo::scheduler::create_agent(mivo::com::module::folder());
    loaded.set_value();
    release.get_future().wait();
  });
  loaded.get_future().wait();

  DialogRobot robot;
  robot.expect_dialog(mivo::robot::kCommunicationDialog).wait_closed();
  mivo::scheduler::CCommunicationDlg dialog(mivo::win::to_wide(service.base_url() + "/rest/login"),
                                            mivo::win::to_wide(kLoginBody), L"", L"POST",
                                            owner.get(), mivo::com::module::folder(), 3000);
  dialog.run();
  EXPECT_TRUE(robot.wait()) << robot.report();
  EXPECT_EQ(dialog.response(), L"");
  EXPECT_EQ(service.requests().size(), 1u) << "the request itself went out";
  release.set_value();
  loader.join();
}

// A request is never dropped for want of an owner: the dialog goes on its
// own, in the middle of the work area.
TEST_F(RequestDialog, WithoutAnOwnerWindowTheRequestRunsInADialogOfItsOwn) {
  HWND gone =
      CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  DestroyWindow(gone);
  for (const mivo::WindowHandle no_window :
       {mivo::WindowHandle{0}, reinterpret_cast<mivo::WindowHandle>(gone)}) {
    service.clear_requests();
    InitInspector inspector;
    DialogRobot robot;
    const std::string response = transport->send(login(no_window));
    ASSERT_TRUE(robot.wait()) << robot.report();
    EXPECT_EQ(parse(response)["code"].asInt(), 0) << response;
    EXPECT_EQ(service.requests().size(), 1u);
    ASSERT_EQ(robot.dialogs().size(), 1u);
    EXPECT_EQ(robot.dialogs()[0].owner, nullptr);
    ASSERT_EQ(inspector.dialogs().size(), 1u);
    const DialogLook& look = inspector.dialogs()[0];
    EXPECT_NEAR((look.frame.left + look.frame.right) / 2,
                (look.work_area.left + look.work_area.right) / 2, 1);
    EXPECT_NEAR((look.frame.top + look.frame.bottom) / 2,
                (look.work_area.top + look.work_area.bottom) / 2, 1);
  }
}

TEST_F(RequestDialog, WithoutTheAgentTheDialogClosesAtOnceWithNoAnswer) {
  DialogRobot robot;
  const auto without_agent = mivo::scheduler::make_transport(kFolderWithoutAgent);
  EXPECT_EQ(without_agent->send(login(window_handle(owner.get()))), "");
  EXPECT_TRUE(robot.wait()) << robot.report();
  EXPECT_EQ(robot.dialogs().size(), 1u);
  EXPECT_TRUE(service.requests().empty());
}

TEST_F(RequestDialog, RegisteredAgentIsNeverUsedOnlyTheLibraryBesideTheScheduler) {
  // A registration of the agent's ProgID, as another version or another
  // program may leave it, names a library the scheduler did not choose.
  const PlantedAgentRegistration planted;
  CLSID clsid{};
  ASSERT_TRUE(SUCCEEDED(CLSIDFromProgID(L"MivoOIURL.MivoOIURLObject", &clsid)))
      << "the registration is not visible: nothing to show";
  const auto without_agent = mivo::scheduler::make_transport(kFolderWithoutAgent);
  EXPECT_EQ(without_agent->send(login(window_handle(owner.get()))), "");
  EXPECT_TRUE(service.requests().empty()) << "the password went through the registered agent";
}

TEST_F(RequestDialog, AgentImportsComeFromTheSystemFolderWhateverLiesOnTheSearchPath) {
  ASSERT_EQ(GetModuleHandleW(L"wininet.dll"), nullptr) << "loaded before: nothing to show";
  std::string response;
  {
    const mivo::oiurl::testing::planted_libraries planted({L"wininet"});
    response = transport->send(login(window_handle(owner.get())));
  }
  EXPECT_EQ(parse(response)["code"].asInt(), 0) << response;
}

TEST_F(RequestDialog, UnknownMethodOrShortUrlEndsAtOnceWithoutSending) {
  EXPECT_EQ(transport->send({service.base_url() + "/rest/login", kLoginBody, "", "post",
                             window_handle(owner.get())}),
            "");
  EXPECT_EQ(transport->send({service.base_url() + "/rest/login", kLoginBody, "", "PATCH",
                             window_handle(owner.get())}),
            "");
  EXPECT_EQ(transport->send({"http://x", "", "", "GET", window_handle(owner.get())}), "");
  EXPECT_TRUE(service.requests().empty());
}

TEST(ResponseText, OnlyASuccessOfTwoBytesOrMoreIsText) {
  using mivo::scheduler::response_text;
  unsigned char space[] = " ";
  unsigned char ok[] = "ok";
  EXPECT_EQ(response_text(OIURL_SUCCESS, ok, 2), L"ok");
  EXPECT_EQ(response_text(OIURL_SUCCESS, ok, 1), L"");
  EXPECT_EQ(response_text(OIURL_SUCCESS, nullptr, 0), L"");
  EXPECT_EQ(response_text(OIURL_ERROR_TIMEOUT, space, 0), L"");
  EXPECT_EQ(response_text(OIURL_ERROR_CONNECT, ok, 2), L"");
}

TEST(ResponseText, DecodesUtf8UpToTheFirstZeroInsideTheLength) {
  using mivo::scheduler::response_text;
  unsigned char chinese[] = "\xE4\xBC\x9A\xE8\xAE\xAE";  // 会议
  unsigned char cut[] = "ab\0cd";
  unsigned char unterminated[] = {'a', 'b', 'c', 'd'};
  unsigned char broken[] =
      "a\xFF"
      "b";
  EXPECT_EQ(response_text(OIURL_SUCCESS, chinese, 6), L"会议");
  EXPECT_EQ(response_text(OIURL_SUCCESS, cut, 5), L"ab");
  EXPECT_EQ(response_text(OIURL_SUCCESS, unterminated, 3), L"abc");
  EXPECT_EQ(response_text(OIURL_SUCCESS, broken, 3),
            L"a\xFFFD"
            L"b");
}

// The agent's requests over Wine's WinINet against the reference service,
// with faults injected: what goes on the wire, what reaches the sink, when,
// and on which thread.
#include <windows.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "agent_test_support.h"
#include "win/wide_text.h"
#include "com/unique.h"
#include "json_text.h"
#include "refservice_client.h"

using mivo::com::com_ptr;
using mivo::com::unique_bstr;
using mivo::refservice::Client;
using mivo::refservice::parse_json;
using namespace mivo::oiurl::testing;

namespace {

class AgentRequest : public ::testing::Test {
 protected:
  void SetUp() override {
    service.reset();
    agent = dll.create();
  }

  unique_bstr text(const std::string& utf8) { return mivo::win::bstr_from_utf8(utf8); }
  unique_bstr url(const std::string& target) { return text(service.base_url() + target); }
  unique_bstr tls_url(const std::string& target) { return text(service.tls_base_url() + target); }
  void fault(const std::string& json) { service.add_fault(*parse_json(json)); }

  void get(const std::string& target, recording_sink& sink) {
    ASSERT_EQ(agent->Get(url(target).get(), nullptr, &sink), S_OK);
  }
  // Waits for the first sink call.
  void wait(recording_sink& sink) {
    ASSERT_TRUE(pump_until([&] { return !sink.calls.empty(); })) << "no sink call";
  }
  // The one call an answer without data makes: success, null data, length 0.
  static void expect_no_data(const recording_sink& sink) {
    ASSERT_EQ(sink.calls.size(), 1u);
    EXPECT_EQ(sink.calls[0].type, OIURL_SUCCESS);
    EXPECT_TRUE(sink.calls[0].data_null);
    EXPECT_EQ(sink.calls[0].length, 0);
  }
  // The TLS login is redirected to `location`, which the same service
  // answers at /target: the request ends at the redirect and nothing is sent
  // to /target.
  void expect_redirect_refused(const std::string& location) {
    fault(R"({"path":"/rest/login","location":")" + location + R"("})");
    fault(R"({"path":"/target","body":"arrived"})");
    const auto allow = scoped_setting::policy_dword(L"AllowUntrustedCertificates", 1);
    recording_sink sink;
    ASSERT_EQ(agent->Post(tls_url("/rest/login").get(), text("password").get(),
                          text("token:secret").get(), &sink),
              S_OK);
    wait(sink);
    ASSERT_EQ(sink.calls.size(), 1u);
    EXPECT_EQ(sink.calls[0].type, OIURL_ERROR_OPENREQUEST);
    const auto requests = service.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].path, "/rest/login");
  }

  Client service;
  agent_library dll;
  com_ptr<IMivoOIURLObject> agent;
};

TEST_F(AgentRequest, PostOfAbcSendsFourBytesAndTheHeaderUnchanged) {
  recording_sink sink;
  ASSERT_EQ(agent->Post(url("/rest/echo?x=1").get(), text("abc").get(),
                        text("token:tok-42\r\nX-Extra: a b").get(), &sink),
            S_OK);
  wait(sink);
  const auto requests = service.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].method, "POST");
  EXPECT_EQ(requests[0].target, "/rest/echo?x=1");
  EXPECT_EQ(requests[0].body, std::string("abc\0", 4));
  EXPECT_EQ(requests[0].header("Content-Length"), "4");
  EXPECT_EQ(requests[0].header("token"), "tok-42");
  EXPECT_EQ(requests[0].header("X-Extra"), "a b");
  EXPECT_EQ(requests[0].header("User-Agent"), "Mivo Outlook Integration Http Agent");
}

TEST_F(AgentRequest, BodiesAreUtf8AndOnlyPostAndPutCarryOne) {
  recording_sink put_sink, empty_sink, delete_sink;
  ASSERT_EQ(agent->Put(url("/put").get(), text("李雷").get(), nullptr, &put_sink), S_OK);
  wait(put_sink);
  ASSERT_EQ(agent->Post(url("/empty").get(), text("").get(), nullptr, &empty_sink), S_OK);
  wait(empty_sink);
  ASSERT_EQ(
      agent->Delete(url("/rest/api/conference/schedule?id=7&type=1").get(), nullptr, &delete_sink),
      S_OK);
  wait(delete_sink);
  const auto requests = service.requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0].method, "PUT");
  EXPECT_EQ(requests[0].body, std::string("李雷") + '\0');
  // An empty body still sends its terminating zero byte.
  EXPECT_EQ(requests[1].body, std::string(1, '\0'));
  EXPECT_EQ(requests[2].method, "DELETE");
  EXPECT_EQ(requests[2].query, "id=7&type=1");
  EXPECT_EQ(requests[2].body, "");
}

TEST_F(AgentRequest, ResultIsDeliveredOnceOnTheLoadingThreadWithAZeroAfterTheData) {
  fault(R"({"path":"/json","body":"{\"code\":0}"})");
  recording_sink sink;
  get("/json", sink);
  // The worker never calls the sink: nothing arrives without a message loop.
  Sleep(1500);
  EXPECT_TRUE(sink.calls.empty());
  wait(sink);
  pump_for(1200);
  ASSERT_EQ(sink.calls.size(), 1u);
  EXPECT_EQ(sink.calls[0].type, OIURL_SUCCESS);
  EXPECT_EQ(sink.calls[0].bytes, "{\"code\":0}");
  EXPECT_EQ(sink.calls[0].length, 10);
  EXPECT_TRUE(sink.calls[0].zero_after);
  EXPECT_EQ(sink.calls[0].thread_id, GetCurrentThreadId());
}

TEST_F(AgentRequest, NotFoundWithHtmlIsDeliveredAsSuccess) {
  recording_sink sink;
  get("/no/such/page", sink);
  wait(sink);
  ASSERT_EQ(sink.calls.size(), 1u);
  EXPECT_EQ(sink.calls[0].type, OIURL_SUCCESS);
  EXPECT_NE(sink.calls[0].bytes.find("<html"), std::string::npos) << sink.calls[0].bytes;
}

TEST_F(AgentRequest, EmptyAnswerAndDroppedConnectionDeliverSuccessWithoutData) {
  fault(R"({"path":"/empty","empty":true})");
  fault(R"({"path":"/gone","drop":true})");
  recording_sink empty_sink;
  get("/empty", empty_sink);
  wait(empty_sink);
  expect_no_data(empty_sink);

  agent = dll.create();
  recording_sink dropped_sink;
  get("/gone", dropped_sink);
  wait(dropped_sink);
  expect_no_data(dropped_sink);
}

TEST_F(AgentRequest, ResponseOf65540BytesArrivesWhole) {
  fault(R"({"path":"/big","body_size":65540})");
  recording_sink sink;
  get("/big", sink);
  wait(sink);
  ASSERT_EQ(sink.calls.size(), 1u);
  ASSERT_EQ(sink.calls[0].length, 65540);
  EXPECT_EQ(sink.calls[0].bytes, service.send("GET", "/big").body);
  EXPECT_TRUE(sink.calls[0].zero_after);
}

TEST_F(AgentRequest, AnswerOfSixteenMegabytesArrivesWholeAndOneByteMoreIsDropped) {
  fault(R"({"path":"/limit","body_size":16777216})");
  fault(R"({"path":"/beyond","body_size":16777217})");
  recording_sink whole;
  get("/limit", whole);
  wait(whole);
  ASSERT_EQ(whole.calls.size(), 1u);
  EXPECT_EQ(whole.calls[0].type, OIURL_SUCCESS);
  EXPECT_EQ(whole.calls[0].length, 16777216);

  agent = dll.create();
  recording_sink beyond;
  get("/beyond", beyond);
  wait(beyond);
  expect_no_data(beyond);
}

TEST_F(AgentRequest, TimeOutOfOneSecondAgainstASlowServerDeliversOnlyTheTimeout) {
  fault(R"({"path":"/slow","delay_ms":5000,"body":"late"})");
  ASSERT_EQ(agent->put_TimeOut(1), S_OK);
  recording_sink sink;
  const LONGLONG start = now_us();
  get("/slow", sink);
  wait(sink);
  ASSERT_EQ(sink.calls.size(), 1u);
  EXPECT_EQ(sink.calls[0].type, OIURL_ERROR_TIMEOUT);
  EXPECT_GE(sink.calls[0].when_us - start, 1000000) << "the limit is one second";
  // The late answer arrives at the worker and is dropped.
  ASSERT_TRUE(pump_until([&] {
    const auto r = service.requests();
    return !r.empty() && r[0].answered_us != 0;
  }));
  pump_for(2500);
  EXPECT_EQ(sink.calls.size(), 1u);
}

TEST_F(AgentRequest, ErrorsAreDeliveredWithASpaceAndNoLength) {
  recording_sink sink;
  ASSERT_EQ(agent->Get(text("not a url").get(), nullptr, &sink), S_OK);
  wait(sink);
  ASSERT_EQ(sink.calls.size(), 1u);
  EXPECT_EQ(sink.calls[0].type, OIURL_ERROR_CONNECT);
  EXPECT_FALSE(sink.calls[0].data_null);
  EXPECT_EQ(sink.calls[0].length, 0);
  EXPECT_TRUE(service.requests().empty());

  agent = dll.create();
  recording_sink null_url_sink;
  ASSERT_EQ(agent->Get(nullptr, nullptr, &null_url_sink), S_OK);
  wait(null_url_sink);
  EXPECT_EQ(null_url_sink.calls.at(0).type, OIURL_ERROR_CONNECT);
}

TEST_F(AgentRequest, RequestOnABusyObjectIsIgnored) {
  fault(R"({"path":"/first","delay_ms":1500,"body":"first"})");
  recording_sink first, second;
  get("/first", first);
  ASSERT_EQ(agent->Post(url("/second").get(), text("x").get(), nullptr, &second), S_OK);
  wait(first);
  pump_for(1500);
  ASSERT_EQ(first.calls.size(), 1u);
  EXPECT_EQ(first.calls[0].bytes, "first");
  EXPECT_TRUE(second.calls.empty());
  const auto requests = service.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].method, "GET");

  // Once delivered, the same object takes a new request.
  recording_sink third;
  get("/third", third);
  wait(third);
  EXPECT_EQ(service.requests().size(), 2u);
}

TEST_F(AgentRequest, NothingIsDeliveredAfterCancelNorForLaterRequests) {
  fault(R"({"path":"/slow","delay_ms":1000,"body":"late"})");
  recording_sink sink;
  get("/slow", sink);
  ASSERT_TRUE(pump_until([&] { return !service.requests().empty(); }));
  ASSERT_EQ(agent->Cancel(), S_OK);
  ASSERT_TRUE(pump_until([&] {
    const auto r = service.requests();
    return !r.empty() && r[0].answered_us != 0;
  }));
  pump_for(2500);
  EXPECT_TRUE(sink.calls.empty());

  recording_sink later;
  get("/later", later);
  pump_for(2500);
  EXPECT_TRUE(later.calls.empty());
  for (const auto& r : service.requests()) EXPECT_NE(r.path, "/later");
}

TEST_F(AgentRequest, CancelDuringTheReadStopsTheTransfer) {
  fault(R"({"path":"/huge","body_size":52428800})");
  recording_sink sink;
  get("/huge", sink);
  ASSERT_TRUE(pump_until([&] { return !service.requests().empty(); }));
  ASSERT_EQ(agent->Cancel(), S_OK);
  pump_for(3000);
  EXPECT_TRUE(sink.calls.empty());
}

TEST_F(AgentRequest, RedirectToPlainHttpContinuesOverHttpsWithHostPathAndQuery) {
  const int tls_port = service.port() + 1;
  fault(R"({"path":"/moved","location":"http://127.0.0.1:)" + std::to_string(tls_port) +
        R"(/target?x=1&y=2"})");
  fault(R"({"path":"/target","body":"arrived"})");
  const auto allow = scoped_setting::policy_dword(L"AllowUntrustedCertificates", 1);
  recording_sink sink;
  ASSERT_EQ(agent->Get(tls_url("/moved").get(), nullptr, &sink), S_OK);
  wait(sink);
  ASSERT_EQ(sink.calls.size(), 1u);
  EXPECT_EQ(sink.calls[0].bytes, "arrived");
  const auto requests = service.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[1].path, "/target");
  EXPECT_EQ(requests[1].query, "x=1&y=2");
}

TEST_F(AgentRequest, RedirectToABarePathStaysOnTheSameServer) {
  fault(R"({"path":"/moved","location":"/target?z=3"})");
  fault(R"({"path":"/target","body":"here"})");
  const auto allow = scoped_setting::policy_dword(L"AllowUntrustedCertificates", 1);
  recording_sink sink;
  ASSERT_EQ(agent->Get(tls_url("/moved").get(), nullptr, &sink), S_OK);
  wait(sink);
  ASSERT_EQ(sink.calls.size(), 1u);
  EXPECT_EQ(sink.calls[0].type, OIURL_SUCCESS);
  EXPECT_EQ(sink.calls[0].bytes, "here");
  const auto requests = service.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[1].target, "/target?z=3");
}

TEST_F(AgentRequest, RedirectToAnotherHostEndsTheRequestAndSendsNothingThere) {
  // localhost reaches the same service, so anything sent there is recorded.
  expect_redirect_refused("http://localhost:" + std::to_string(service.port() + 1) + "/target");
}

TEST_F(AgentRequest, RedirectToAnotherPortOfTheSameHostEndsTheRequestAndSendsNothingThere) {
  // The plain port serves the same state, so anything sent there is recorded.
  expect_redirect_refused("https://127.0.0.1:" + std::to_string(service.port()) + "/target");
}

TEST_F(AgentRequest, RedirectWhosePathHoldsAnAddressStaysOnTheSameServer) {
  fault(R"({"path":"/rest/login","location":"/sso?return=https://localhost/cb"})");
  fault(R"({"path":"/sso","body":"single sign-on"})");
  const auto allow = scoped_setting::policy_dword(L"AllowUntrustedCertificates", 1);
  recording_sink sink;
  ASSERT_EQ(agent->Post(tls_url("/rest/login").get(), text("password").get(), nullptr, &sink),
            S_OK);
  wait(sink);
  ASSERT_EQ(sink.calls.size(), 1u);
  EXPECT_EQ(sink.calls[0].bytes, "single sign-on");
  const auto requests = service.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[1].target, "/sso?return=https://localhost/cb");
}

TEST_F(AgentRequest, RedirectLoopEndsAfterTenAttemptsWithTheLastAnswer) {
  fault(R"({"path":"/loop","location":"/loop"})");
  const auto allow = scoped_setting::policy_dword(L"AllowUntrustedCertificates", 1);
  recording_sink sink;
  ASSERT_EQ(agent->Get(tls_url("/loop").get(), nullptr, &sink), S_OK);
  wait(sink);
  ASSERT_EQ(sink.calls.size(), 1u);
  EXPECT_EQ(sink.calls[0].type, OIURL_SUCCESS);
  EXPECT_NE(sink.calls[0].bytes.find("Moved"), std::string::npos);
  EXPECT_EQ(service.requests().size(), 10u);
}

TEST_F(AgentRequest, SelfSignedCertificateIsRefusedWithoutAWindow) {
  fault(R"({"path":"/secret","body":"token"})");
  recording_sink sink;
  ASSERT_EQ(agent->Post(tls_url("/secret").get(), text("password").get(), nullptr, &sink), S_OK);
  wait(sink);
  ASSERT_EQ(sink.calls.size(), 1u);
  EXPECT_EQ(sink.calls[0].type, OIURL_SUCCESS);
  EXPECT_TRUE(sink.calls[0].data_null);
  EXPECT_TRUE(service.requests().empty()) << "the body went to an untrusted server";
}

TEST_F(AgentRequest, SelfSignedCertificateIsAcceptedWhenTheAdministratorAllowsIt) {
  fault(R"({"path":"/secret","body":"token"})");
  const auto allow = scoped_setting::policy_dword(L"AllowUntrustedCertificates", 1);
  recording_sink sink;
  ASSERT_EQ(agent->Post(tls_url("/secret").get(), text("password").get(), nullptr, &sink), S_OK);
  wait(sink);
  ASSERT_EQ(sink.calls.size(), 1u);
  EXPECT_EQ(sink.calls[0].bytes, "token");
  ASSERT_EQ(service.requests().size(), 1u);
  EXPECT_EQ(service.requests()[0].body, std::string("password") + '\0');
}

TEST_F(AgentRequest, OnlyThePolicyValueOneRelaxesCertificateChecks) {
  // The user's key is no place for it: any program the user runs can write
  // there.
  const auto other_value = scoped_setting::policy_dword(L"AllowUntrustedCertificates", 2);
  const auto user_value = scoped_setting::dword(L"AllowUntrustedCertificates", 1);
  recording_sink sink;
  ASSERT_EQ(agent->Get(tls_url("/x").get(), nullptr, &sink), S_OK);
  wait(sink);
  EXPECT_TRUE(sink.calls.at(0).data_null);
  EXPECT_TRUE(service.requests().empty());
}

// A top-level window of the test thread given to the agent as the owner of
// WinINet's dialogs: a certificate error must not ask anybody there.
class CertificateWithAWindow : public AgentRequest {
 protected:
  void SetUp() override {
    AgentRequest::SetUp();
    owner = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300,
                            200, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(owner, nullptr);
    ASSERT_EQ(agent->put_ParentMsgWindow(static_cast<LONG>(reinterpret_cast<LONG_PTR>(owner))),
              S_OK);
  }
  void TearDown() override { DestroyWindow(owner); }

  struct search {
    HWND owner;
    HWND found;
  };

  // A function of its own, not a lambda: on x86 EnumWindows calls a stdcall
  // function, which a lambda's function pointer is not.
  static BOOL CALLBACK find_owned_dialog(HWND window, LPARAM param) {
    auto* s = reinterpret_cast<search*>(param);
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    if (wcscmp(name, L"#32770") == 0 && GetWindow(window, GW_OWNER) == s->owner &&
        IsWindowVisible(window)) {
      s->found = window;
      return FALSE;
    }
    return TRUE;
  }

  // Any dialog WinINet shows over the owner.
  HWND owned_dialog() const {
    search s{owner, nullptr};
    EnumWindows(find_owned_dialog, reinterpret_cast<LPARAM>(&s));
    return s.found;
  }
  // Waits for the sink, closing (and counting) any dialog that comes first,
  // so that a question cannot hold the test up.
  void wait_without_questions(recording_sink& sink) {
    ASSERT_TRUE(pump_until([&] {
      if (const HWND dialog = owned_dialog()) {
        ++questions;
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
      }
      return !sink.calls.empty();
    })) << "no sink call";
  }

  HWND owner = nullptr;
  int questions = 0;
};

TEST_F(CertificateWithAWindow, UntrustedCertificateEndsTheRequestWithoutAQuestion) {
  fault(R"({"path":"/secret","body":"token"})");
  recording_sink sink;
  ASSERT_EQ(agent->Post(tls_url("/secret").get(), text("password").get(), nullptr, &sink), S_OK);
  wait_without_questions(sink);
  EXPECT_EQ(questions, 0) << "the user was asked to accept the certificate";
  expect_no_data(sink);
  EXPECT_TRUE(service.requests().empty()) << "the body went to an untrusted server";
}

TEST_F(CertificateWithAWindow, AdministratorsPolicyAcceptsTheCertificateWithoutAQuestion) {
  fault(R"({"path":"/secret","body":"token"})");
  const auto allow = scoped_setting::policy_dword(L"AllowUntrustedCertificates", 1);
  recording_sink sink;
  ASSERT_EQ(agent->Post(tls_url("/secret").get(), text("password").get(), nullptr, &sink), S_OK);
  wait_without_questions(sink);
  EXPECT_EQ(questions, 0);
  ASSERT_EQ(sink.calls.size(), 1u);
  EXPECT_EQ(sink.calls[0].bytes, "token");
  EXPECT_EQ(service.requests().size(), 1u);
}

class RequestLog : public AgentRequest {
 protected:
  std::wstring log_path() {
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    std::wstring path = std::wstring(folder) + L"mivo-oiurl-log.txt";
    DeleteFileW(path.c_str());
    return path;
  }
  std::string read(const std::wstring& path) {
    std::ifstream file(path.c_str(), std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    return content.str();
  }
};

TEST_F(RequestLog, EveryRequestCallAddsALineAlsoWhenIgnored) {
  fault(R"({"path":"/first","delay_ms":1000})");
  const std::wstring path = log_path();
  const auto save = scoped_setting::text(L"SaveUrl", path);
  recording_sink first, second;
  get("/first", first);
  ASSERT_EQ(agent->Delete(url("/second?a=1").get(), nullptr, &second), S_OK);
  wait(first);
  // Text mode: the C runtime ends each line with CR LF.
  EXPECT_EQ(read(path), "GET " + service.base_url() + "/first\r\nDELETE " + service.base_url() +
                            "/second?a=1\r\n");
  EXPECT_TRUE(second.calls.empty());
  DeleteFileW(path.c_str());
}

TEST_F(RequestLog, EmptyOrExpandableValueWritesNothing) {
  const std::wstring path = log_path();
  for (DWORD type : {DWORD{REG_SZ}, DWORD{REG_EXPAND_SZ}}) {
    const auto save = scoped_setting::text(L"SaveUrl", type == REG_SZ ? L"" : path, type);
    recording_sink sink;
    agent = dll.create();
    get("/x", sink);
    wait(sink);
  }
  EXPECT_EQ(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
}

// Wine serves \\host\share\... from dosdevices\unc\host\share of its prefix,
// so a share can be made for the test without a network.
class WineShare {
 public:
  WineShare() {
    const char* prefix = std::getenv("WINEPREFIX");
    if (!prefix) throw std::runtime_error("not under Wine");
    std::wstring path = L"Z:" + mivo::win::to_wide(prefix);
    for (wchar_t& c : path) {
      if (c == L'/') c = L'\\';
    }
    for (const wchar_t* part : {L"\\dosdevices\\unc", L"\\mivo-log-host", L"\\share"}) {
      path += part;
      CreateDirectoryW(path.c_str(), nullptr);
      created_.push_back(path);
    }
  }
  ~WineShare() {
    DeleteFileW((created_.back() + L"\\agent.txt").c_str());
    for (auto it = created_.rbegin(); it != created_.rend(); ++it) RemoveDirectoryW(it->c_str());
  }
  std::wstring file() const { return created_.back() + L"\\agent.txt"; }

 private:
  std::vector<std::wstring> created_;
};

TEST_F(RequestLog, LogOnAShareIsNeverOpened) {
  const WineShare share;
  const std::wstring unc = L"\\\\mivo-log-host\\share\\agent.txt";
  // The share is real: the same path opens when someone else writes it.
  FILE* probe = _wfopen(unc.c_str(), L"a+");
  ASSERT_NE(probe, nullptr);
  fclose(probe);
  DeleteFileW(share.file().c_str());

  for (const std::wstring& path : {unc, std::wstring(L"//mivo-log-host/share/agent.txt")}) {
    const auto save = scoped_setting::text(L"SaveUrl", path);
    recording_sink sink;
    agent = dll.create();
    get("/x", sink);
    wait(sink);
    EXPECT_EQ(GetFileAttributesW(share.file().c_str()), INVALID_FILE_ATTRIBUTES)
        << mivo::win::to_utf8(path);
  }
}

TEST_F(AgentRequest, FiveHundredRequestsLeaveNoObjectAndNoHandles) {
  fault(R"({"path":"/ping","body":"{\"code\":0,\"data\":{}}"})");
  agent.reset();
  const auto snapshot = [] {
    // Wine's GetProcessHandleCount answers 0: count the open handle values.
    DWORD handles = 0;
    for (ULONG_PTR value = 4; value < 0x10000; value += 4) {
      DWORD flags = 0;
      if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++handles;
    }
    PROCESS_MEMORY_COUNTERS memory = {};
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory));
    return std::make_pair(handles, memory.PagefileUsage);
  };
  std::pair<DWORD, SIZE_T> after_warm_up{};
  for (int i = 1; i <= 500; ++i) {
    com_ptr<IMivoOIURLObject> one = dll.create();
    recording_sink sink;
    ASSERT_EQ(one->Get(url("/ping").get(), text("token:t").get(), &sink), S_OK);
    ASSERT_TRUE(pump_until([&] { return !sink.calls.empty(); })) << "request " << i;
    ASSERT_EQ(sink.calls[0].length, 20);
    one.reset();
    if (i == 50) after_warm_up = snapshot();
  }
  // Workers drop their reference just after storing the result.
  ASSERT_TRUE(pump_until([&] { return dll.can_unload_now() == S_OK; }));
  const auto end = snapshot();
  std::printf(
      "handles after 50: %lu, after 500: %lu; private bytes after 50: %zu KiB, after 500: %zu "
      "KiB\n",
      after_warm_up.first, end.first, static_cast<std::size_t>(after_warm_up.second / 1024),
      static_cast<std::size_t>(end.second / 1024));
  EXPECT_LE(end.first, after_warm_up.first + 10) << "handles leak per request";
  EXPECT_EQ(service.requests().size(), 500u);
}

}  // namespace

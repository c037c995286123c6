// The service over real sockets, driven through the test client: the record,
// every fault, the control calls, TLS and stopping.
#include "service.h"

#include "json_text.h"
#include "loopback_http.h"
#include "refservice_client.h"

#include <httplib.h>
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>

namespace mivo::refservice {
namespace {

std::unique_ptr<Service> started(ServiceOptions options = {}) {
  auto service = std::make_unique<Service>(std::move(options));
  service->start();
  return service;
}

Json::Value json_of(const HttpResponse& response) {
  auto value = parse_json(response.body);
  EXPECT_TRUE(value) << response.body;
  return value ? *value : Json::Value();
}

class ServiceTest : public ::testing::Test {
 protected:
  HttpResponse post(const std::string& target, const std::string& body,
                    const HeaderList& headers = {}) {
    return client.send("POST", target, body, headers);
  }
  HttpResponse get(const std::string& target, const HeaderList& headers = {}) {
    return client.send("GET", target, "", headers);
  }
  std::string login(const std::string& user = "alice", const std::string& password = "alice-pass") {
    return json_of(post("/rest/login", R"({"password":")" + password + R"(","username":")" + user +
                                           "\"}"))["data"]["token"]
        .asString();
  }
  int add_fault(const std::string& json) { return client.add_fault(*parse_json(json)); }

  std::unique_ptr<Service> service = started();
  Client client{service->port()};
};

TEST_F(ServiceTest, TheRecordKeepsRequestBytesExactlyAsSent) {
  const std::string body =
      std::string("{\"password\":\"alice-pass\",\"username\":\"alice\"}\n") + '\0';
  const std::string request =
      "POST /rest/login?x=%41&y HTTP/1.1\r\n"
      "Host: 127.0.0.1\r\n"
      "token:abc%41+def\r\n"
      "X-Spaced:   two  inner  blanks   \r\n"
      "Accept-Encoding: gzip, deflate\r\n"
      "Content-Length: " +
      std::to_string(body.size()) +
      "\r\n"
      "Connection: close\r\n\r\n" +
      body;
  const HttpResponse response = loopback_exchange(service->port(), request);
  EXPECT_EQ(json_of(response)["code"].asInt(), 0) << "a body ending in a zero byte is accepted";
  EXPECT_EQ(response.header("Content-Encoding"), "");

  const auto recorded = client.requests();
  ASSERT_EQ(recorded.size(), 1u);
  const RecordedRequest& r = recorded[0];
  EXPECT_EQ(r.method, "POST");
  EXPECT_EQ(r.target, "/rest/login?x=%41&y");
  EXPECT_EQ(r.path, "/rest/login");
  EXPECT_EQ(r.query, "x=%41&y");
  EXPECT_EQ(r.body, body);
  const HeaderList expected = {{"Host", "127.0.0.1"},
                               {"token", "abc%41+def"},
                               {"X-Spaced", "two  inner  blanks"},
                               {"Accept-Encoding", "gzip, deflate"},
                               {"Content-Length", std::to_string(body.size())},
                               {"Connection", "close"}};
  EXPECT_EQ(r.headers, expected);
  EXPECT_EQ(r.header("TOKEN"), "abc%41+def");
  EXPECT_EQ(r.header("Referer"), "");
  EXPECT_GT(r.received_us, 0);
  EXPECT_GE(r.answered_us, r.received_us);
}

TEST_F(ServiceTest, RequestsSharingAConnectionAreRecordedOneByOne) {
  const std::string first = "{\"password\":\"x\",\"username\":\"alice\"}";
  const std::string request =
      "POST /rest/login HTTP/1.1\r\nHost: a\r\nContent-Length: " + std::to_string(first.size()) +
      "\r\n\r\n" + first +
      "GET /rest/version/outlook/1.0 HTTP/1.1\r\nHost: b\r\nConnection: close\r\n\r\n";
  loopback_exchange(service->port(), request);
  const auto recorded = client.requests();
  ASSERT_EQ(recorded.size(), 2u);
  EXPECT_EQ(recorded[0].body, first);
  EXPECT_EQ(recorded[1].target, "/rest/version/outlook/1.0");
  EXPECT_EQ(recorded[1].header("Host"), "b");
  EXPECT_EQ(recorded[1].body, "");
}

TEST_F(ServiceTest, ControlCallsAreNotRecordedAndTheRecordCanBeEmptied) {
  get("/rest/version/outlook/1");
  client.set_versions("", "2");
  get("/nowhere");
  auto recorded = client.requests();
  ASSERT_EQ(recorded.size(), 2u);
  EXPECT_EQ(recorded[1].path, "/nowhere");
  client.clear_requests();
  EXPECT_TRUE(client.requests().empty());
  get("/rest/version/outlook/1");
  client.reset();
  EXPECT_TRUE(client.requests().empty());
}

TEST_F(ServiceTest, UnknownPathsAnswerA404Page) {
  const HttpResponse response = get("/rest/api/nothing");
  EXPECT_EQ(response.status, 404);
  EXPECT_EQ(response.header("Content-Type"), "text/html;charset=UTF-8");
  EXPECT_NE(response.body.find("<html>"), std::string::npos);
}

TEST_F(ServiceTest, AnswersAreUtf8JsonEnvelopes) {
  const HttpResponse response = post("/rest/login", R"({"password":"密码123","username":"李雷"})");
  EXPECT_EQ(response.header("Content-Type"), "application/json;charset=UTF-8");
  EXPECT_NE(response.body.find("\"name\":\"李雷\""), std::string::npos) << response.body;
}

TEST_F(ServiceTest, DelayFaultHoldsTheAnswerBack) {
  add_fault(R"({"path":"/rest/version/outlook/1","delay_ms":300})");
  EXPECT_EQ(json_of(get("/rest/version/outlook/1"))["code"].asInt(), 0);
  const RecordedRequest r = client.requests().at(0);
  EXPECT_GE(r.answered_us - r.received_us, 300 * 1000);
}

TEST_F(ServiceTest, StatusFaultKeepsTheNormalAnswer) {
  client.set_versions("", "3.0");
  add_fault(R"({"path":"/rest/version/outlook/1","status":503})");
  const HttpResponse response = get("/rest/version/outlook/1");
  EXPECT_EQ(response.status, 503);
  EXPECT_EQ(json_of(response)["data"]["newVersion"].asString(), "3.0");
}

TEST_F(ServiceTest, BodyFaultsReplaceTheAnswer) {
  add_fault(R"({"path":"/a","body":"<b>hi</b>","content_type":"text/html","status":500})");
  add_fault(R"({"path":"/b","body_size":65540})");
  add_fault(R"({"path":"/c","empty":true})");
  add_fault(R"({"path":"/d","malformed":true})");
  HttpResponse r = get("/a");
  EXPECT_EQ(r.status, 500);
  EXPECT_EQ(r.body, "<b>hi</b>");
  EXPECT_EQ(r.header("Content-Type"), "text/html");
  r = get("/b");
  EXPECT_EQ(r.status, 200);
  ASSERT_EQ(r.body.size(), 65540u);
  EXPECT_EQ(r.body.substr(0, 3), "abc");
  EXPECT_EQ(r.body[65539], 'a' + 65539 % 26);
  r = get("/c");
  EXPECT_EQ(r.status, 200);
  EXPECT_EQ(r.header("Content-Length"), "0");
  EXPECT_EQ(r.body, "");
  r = get("/d");
  EXPECT_EQ(r.status, 200);
  EXPECT_FALSE(parse_json(r.body));
  EXPECT_FALSE(r.body.empty());
}

TEST_F(ServiceTest, CodeFaultAnswersTheNormalDataButChangesNothing) {
  add_fault(R"({"path":"/rest/login","code":-17,"times":1})");
  const Json::Value refused =
      json_of(post("/rest/login", R"({"password":"alice-pass","username":"alice"})"));
  EXPECT_EQ(refused["code"].asInt(), -17);
  EXPECT_EQ(refused["data"]["id"].asString(), "10001");
  const HeaderList with_token = {{"token", refused["data"]["token"].asString()}};
  EXPECT_EQ(json_of(get("/rest/api/conference/user/info", with_token))["code"].asInt(), -401);

  const std::string token = login();
  add_fault(R"({"path":"/rest/api/conference/schedule","code":-602})");
  const Json::Value save =
      json_of(post("/rest/api/conference/schedule",
                   R"({"duration":30,"startDate":"2030-03-07","startTime":"09:00","subject":"s"})",
                   {{"token", token}}));
  EXPECT_EQ(save["code"].asInt(), -602);
  EXPECT_TRUE(client.meetings().empty());
}

TEST_F(ServiceTest, LocationFaultRedirects) {
  add_fault(R"({"path":"/rest/version/outlook/1","location":"http://127.0.0.1:1/elsewhere?q=1"})");
  const HttpResponse response = get("/rest/version/outlook/1");
  EXPECT_EQ(response.status, 302);
  EXPECT_EQ(response.header("Location"), "http://127.0.0.1:1/elsewhere?q=1");
}

TEST_F(ServiceTest, DropFaultClosesTheConnectionWithoutAnswer) {
  add_fault(R"({"path":"/rest/login","drop":true})");
  const HttpResponse response =
      post("/rest/login", R"({"password":"alice-pass","username":"alice"})");
  EXPECT_EQ(response.status, 0);
  EXPECT_EQ(response.body, "");
  const auto recorded = client.requests();
  ASSERT_EQ(recorded.size(), 1u);
  EXPECT_EQ(recorded[0].answered_us, 0);
  // The service goes on serving other connections.
  EXPECT_EQ(get("/rest/version/outlook/1").status, 200);
}

TEST_F(ServiceTest, LostFaultDoesTheWorkButNeverAnswers) {
  const std::string token = login();
  add_fault(R"({"path":"/rest/api/conference/schedule","lost":true,"times":1})");
  const HttpResponse response =
      post("/rest/api/conference/schedule",
           R"({"duration":30,"startDate":"2030-03-07","startTime":"09:00","subject":"s"})",
           {{"token", token}});
  EXPECT_EQ(response.status, 0);
  EXPECT_EQ(response.body, "");
  EXPECT_EQ(client.meetings().size(), 1u);
  EXPECT_EQ(client.requests().back().answered_us, 0);
}

TEST_F(ServiceTest, AnyPathFaultLetsTheSkippedRequestsThroughThenAppliesItsTimes) {
  add_fault(R"({"path":"*","skip":2,"times":1,"status":503})");
  EXPECT_EQ(get("/rest/version/outlook/1").status, 200);
  EXPECT_EQ(get("/x").status, 404);
  EXPECT_EQ(post("/rest/login", "{}").status, 503);
  EXPECT_EQ(get("/rest/version/outlook/1").status, 200);
  // Control calls are never faulted.
  add_fault(R"({"path":"*","status":500})");
  EXPECT_NO_THROW(client.meetings());
}

TEST_F(ServiceTest, FaultsMatchPathWithoutQueryMethodAndTimes) {
  add_fault(R"({"path":"/rest/api/conference/schedule","method":"DELETE","status":500,"times":2})");
  const auto del = [&] {
    return client.send("DELETE", "/rest/api/conference/schedule?id=1&type=1").status;
  };
  EXPECT_EQ(post("/rest/api/conference/schedule", "{}").status, 200);
  EXPECT_EQ(del(), 500);
  EXPECT_EQ(del(), 500);
  EXPECT_EQ(del(), 200);
  add_fault(R"({"path":"/x","status":401})");
  add_fault(R"({"path":"/x","status":402})");
  EXPECT_EQ(get("/x").status, 401);
  client.clear_faults();
  EXPECT_EQ(get("/x").status, 404);
}

TEST_F(ServiceTest, MisspeltOrIncompleteFaultsAreRefused) {
  EXPECT_THROW(add_fault(R"({"path":"/x","delay":100})"), std::runtime_error);
  EXPECT_THROW(add_fault(R"({"status":500})"), std::runtime_error);
  EXPECT_THROW(add_fault(R"({"path":"/x","times":0})"), std::runtime_error);
  EXPECT_THROW(add_fault(R"({"path":"/x","drop":"yes"})"), std::runtime_error);
  EXPECT_THROW(add_fault(R"({"path":"x"})"), std::runtime_error);
  EXPECT_THROW(add_fault(R"({"path":"/x","skip":-1})"), std::runtime_error);
  EXPECT_EQ(add_fault(R"({"path":"/x"})"), 1);
  EXPECT_EQ(add_fault(R"({"path":"/y"})"), 2);
}

TEST_F(ServiceTest, ControlCallsConfigureUsersVersionsAndInstaller) {
  Json::Value user = *parse_json(
      R"({"username":"carol","password":"pw","id":"u9","name":"Carol","meetingKey":"77","accounts":[{"orgName":"O","id":"a1"}]})");
  client.add_user(user);
  const Json::Value answer =
      json_of(post("/rest/login", R"({"password":"pw","username":"carol"})"));
  EXPECT_EQ(answer["data"]["meetingKey"].asString(), "77");
  EXPECT_EQ(answer["data"]["accountList"][0]["id"].asString(), "a1");

  const std::string token = login();
  client.set_versions("9.9.9", "8.8.8");
  EXPECT_EQ(json_of(get("/rest/api/grayscale/version/outlook/1",
                        {{"token", token}}))["data"]["newVersion"]
                .asString(),
            "9.9.9");
  EXPECT_EQ(json_of(get("/rest/version/outlook/1"))["data"]["newVersion"].asString(), "8.8.8");

  const std::string installer = "/download/outlookplugin/VantorOutlookPluginSetup.msi";
  client.set_installer_size(450);
  EXPECT_EQ(get(installer).body.size(), 450u);
  const std::string bytes = std::string("MZ\0\xff\r\n", 6);
  client.set_installer_content(bytes);
  EXPECT_EQ(get(installer).body, bytes);
  EXPECT_THROW(client.set_installer_size(-1), std::runtime_error);
  EXPECT_THROW(client.add_user(*parse_json(R"({"username":"x"})")), std::runtime_error);

  client.reset();
  EXPECT_EQ(json_of(post("/rest/login", R"({"password":"pw","username":"carol"})"))["code"].asInt(),
            -101);
  EXPECT_EQ(json_of(get("/rest/version/outlook/1"))["data"]["newVersion"].asString(), "");
  EXPECT_EQ(get(installer).body.size(), kDefaultInstallerSize);
  EXPECT_EQ(json_of(get("/rest/api/conference/user/info", {{"token", token}}))["code"].asInt(),
            -401);
}

TEST_F(ServiceTest, MeetingsShowTheRecordsTheyWereSavedWith) {
  const std::string token = login();
  const std::string record =
      R"({"duration":45,"startDate":"2030-03-07","startTime":"10:00","subject":"会议","type":0})";
  const std::string key = json_of(post("/rest/api/conference/schedule", record,
                                       {{"token", token}}))["data"]["meetingKey"]
                              .asString();
  const Json::Value meetings = client.meetings();
  ASSERT_EQ(meetings.size(), 1u);
  EXPECT_EQ(meetings[0]["meetingKey"].asString(), key);
  EXPECT_EQ(meetings[0]["host"].asString(), "alice");
  EXPECT_EQ(meetings[0]["record"], *parse_json(record));
  EXPECT_EQ(meetings[0]["occurrences"][0]["duration"].asInt(), 45);
  EXPECT_NE(meetings[0]["mailContent"].asString().find(client.base_url() + "/" + key),
            std::string::npos);

  // Whom each token speaks for: a user as such, or an organisation's account.
  const std::string bob = json_of(post("/rest/login", R"({"password":"bob-pass","username":"bob"})"))
                              ["data"]["token"].asString();
  const std::string org = json_of(post("/rest/api/change/user",
                                       R"({"userId":"20012","userName":"bob"})", {{"token", bob}}))
                              ["data"]["token"].asString();
  const Json::Value sessions = client.sessions();
  EXPECT_EQ(sessions[token]["username"].asString(), "alice");
  EXPECT_EQ(sessions[token]["accountId"].asString(), "");
  EXPECT_EQ(sessions[org]["username"].asString(), "bob");
  EXPECT_EQ(sessions[org]["accountId"].asString(), "20012");
}

TEST(ServiceTls, HttpsSharesTheStateAndTheCertificateIsValidFor127001) {
  const auto dir =
      std::filesystem::temp_directory_path() / ("refservice-test-" + std::to_string(getpid()));
  auto service = started({0, 0, dir.string()});
  ASSERT_GT(service->tls_port(), 0);
  std::ifstream file(dir / "cert.pem");
  std::stringstream pem;
  pem << file.rdbuf();
  EXPECT_EQ(pem.str(), service->certificate_pem());
  EXPECT_NE(pem.str().find("BEGIN CERTIFICATE"), std::string::npos);

  httplib::SSLClient unverified("127.0.0.1", service->tls_port());
  unverified.enable_server_certificate_verification(false);
  const auto login = unverified.Post(
      "/rest/login", R"({"password":"alice-pass","username":"alice"})", "application/json");
  ASSERT_TRUE(login) << httplib::to_string(login.error());
  const std::string token = (*parse_json(login->body))["data"]["token"].asString();

  // Trusting exactly this certificate, with host name checking on.
  httplib::SSLClient verified("127.0.0.1", service->tls_port());
  verified.set_ca_cert_path((dir / "cert.pem").c_str());
  verified.enable_server_certificate_verification(true);
  const auto saved =
      verified.Post("/rest/api/conference/schedule", {{"token", token}},
                    R"({"duration":30,"startDate":"2030-03-07","startTime":"09:00","subject":"s"})",
                    "application/json");
  ASSERT_TRUE(saved) << httplib::to_string(saved.error());
  const Json::Value answer = *parse_json(saved->body);
  EXPECT_EQ(answer["code"].asInt(), 0);
  EXPECT_NE(answer["data"]["mailContent"].asString().find("https://127.0.0.1:"), std::string::npos);

  // The plain port sees the same sessions and meetings.
  Client client(service->port());
  EXPECT_EQ(client.meetings().size(), 1u);
  EXPECT_EQ(client.requests().size(), 2u);
  std::filesystem::remove_all(dir);
}

TEST(ServiceLifecycle, StopEndsIdleAndDelayedConnectionsPromptly) {
  auto service = started();
  Client client(service->port());
  client.add_fault(*parse_json(R"({"path":"/slow","delay_ms":60000})"));
  // An idle keep-alive connection and a request waiting on its delay.
  const int idle = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(service->port()));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::connect(idle, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  const std::string request = "GET /rest/version/outlook/1 HTTP/1.1\r\nHost: a\r\n\r\n";
  ASSERT_EQ(::send(idle, request.data(), request.size(), 0), static_cast<ssize_t>(request.size()));
  char buffer[512];
  std::string answer;
  for (HttpResponse r; r.status == 0 || r.body.size() < std::stoul(r.header("Content-Length"));
       r = parse_response(answer)) {
    const ssize_t n = ::recv(idle, buffer, sizeof buffer, 0);
    ASSERT_GT(n, 0);
    answer.append(buffer, static_cast<size_t>(n));
  }
  auto slow = std::async(std::launch::async, [&] { return client.send("GET", "/slow").status; });
  while (client.requests().size() < 2) std::this_thread::sleep_for(std::chrono::milliseconds(5));

  service->stop();
  EXPECT_EQ(slow.get(), 0) << "the delayed request is dropped, not answered";
  EXPECT_EQ(::recv(idle, buffer, sizeof buffer, 0), 0) << "the idle connection is closed";
  ::close(idle);
  EXPECT_THROW(client.requests(), std::runtime_error);
}

TEST(ServiceLifecycle, ShutdownCallStopsTheService) {
  auto service = started();
  Client client(service->port());
  client.shutdown();
  // Stopping has begun by the time the answer arrives.
  EXPECT_TRUE(service->wait_until_stopping(std::chrono::milliseconds(0)));
  service->stop();
  EXPECT_THROW(client.reset(), std::runtime_error);
}

TEST(ServiceLifecycle, ABusyPortIsRefused) {
  auto first = started();
  Service second({first->port(), -1, ""});
  EXPECT_THROW(second.start(), std::runtime_error);
  EXPECT_EQ(Client(first->port()).send("GET", "/rest/version/outlook/1").status, 200);
}

}  // namespace
}  // namespace mivo::refservice

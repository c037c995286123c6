// The Winsock build of the test client against the reference service that
// the test fixture started on MIVO_REFSERVICE_PORT.
#include "refservice_client.h"

#include "json_text.h"

#include <gtest/gtest.h>

namespace mivo::refservice {
namespace {

class ClientUnderWine : public ::testing::Test {
 protected:
  void SetUp() override { client.reset(); }
  Client client;
};

TEST_F(ClientUnderWine, RequestsReachTheServiceAndComeBackInTheRecord) {
  const std::string body = std::string(R"({"password":"alice-pass","username":"alice"})") + '\0';
  const HttpResponse answer = client.send("POST", "/rest/login?via=winsock", body, {{"token", ""}});
  EXPECT_EQ(answer.status, 200);
  EXPECT_EQ((*parse_json(answer.body))["data"]["id"].asString(), "10001");

  const auto recorded = client.requests();
  ASSERT_EQ(recorded.size(), 1u);
  EXPECT_EQ(recorded[0].target, "/rest/login?via=winsock");
  EXPECT_EQ(recorded[0].body, body);
  EXPECT_EQ(recorded[0].header("Token"), "");
  EXPECT_EQ(recorded[0].headers.at(1).first, "Connection");
  EXPECT_EQ(client.base_url(), "http://127.0.0.1:" + std::to_string(port_from_env()));
}

TEST_F(ClientUnderWine, FaultsAndLargeBodiesArriveIntact) {
  client.add_fault(*parse_json(R"({"path":"/big","body_size":1048576})"));
  client.add_fault(*parse_json(R"({"path":"/gone","drop":true})"));
  const HttpResponse big = client.send("GET", "/big");
  ASSERT_EQ(big.body.size(), 1048576u);
  EXPECT_EQ(big.body[1048575], 'a' + 1048575 % 26);
  EXPECT_EQ(client.send("GET", "/gone").status, 0);
  EXPECT_THROW(client.add_fault(*parse_json(R"({"path":"/x","delay":1})")), std::runtime_error);
}

TEST_F(ClientUnderWine, ControlCallsConfigureTheService) {
  std::string installer(300, '\0');
  for (size_t i = 0; i < installer.size(); ++i) installer[i] = static_cast<char>(i);
  client.set_installer_content(installer);
  EXPECT_EQ(client.send("GET", "/download/outlookplugin/VantorOutlookPluginSetup.msi").body,
            installer);
  client.set_versions("", "2.0");
  EXPECT_EQ(
      (*parse_json(client.send("GET", "/rest/version/outlook/1.0").body))["data"]["newVersion"]
          .asString(),
      "2.0");
  EXPECT_TRUE(client.meetings().empty());
}

}  // namespace
}  // namespace mivo::refservice

// The one service address: the administrator's ServiceUrl when it is an
// https address, else the build's; the user's stored site has no say.
#include "service_address.h"

#include <gtest/gtest.h>

#include "fake_ports.h"

namespace mivo {
namespace {

using mivo::testing::FakePorts;

constexpr const char* kBuilt = "https://service.test";  // string 114 of the fake

TEST(ServiceAddress, HttpsHostAndPortAreTakenAsTheyStand) {
  EXPECT_EQ(https_service_address("https://meet.example.com"), "https://meet.example.com");
  EXPECT_EQ(https_service_address("https://meet-1.example.com:8443"),
            "https://meet-1.example.com:8443");
  EXPECT_EQ(https_service_address("HTTPS://Meet.Example.com/"), "https://Meet.Example.com");
}

TEST(ServiceAddress, AnythingButAnHttpsHostIsNoAddress) {
  for (const char* text :
       {"", "https://", "https:///", "http://meet.example.com", "meet.example.com",
        "ftp://meet.example.com", "https://meet.example.com/rest", "https://meet.example.com//",
        "https://user@meet.example.com", "https://meet.example.com?x=1",
        "https://meet.example.com:", "https://meet.example.com:443x",
        "https://meet.example.com:123456", "https://meet example.com", " https://meet.example.com",
        "https://meet.example.com\r\nX: y", "https://[::1]:8443"}) {
    EXPECT_EQ(https_service_address(text), std::nullopt) << text;
  }
}

class ServiceAddressTest : public ::testing::Test {
 protected:
  FakePorts fakes;
};

TEST_F(ServiceAddressTest, PolicyAddressWinsOverTheBuiltOne) {
  fakes.policy.texts["ServiceUrl"] = "https://meet.corp.example:8443/";
  EXPECT_EQ(service_address(fakes.policy, fakes.ui), "https://meet.corp.example:8443");
}

TEST_F(ServiceAddressTest, PolicyThatIsNoHttpsAddressIsIgnored) {
  for (const char* text : {"http://meet.corp.example", "", "https://meet.corp.example/path"}) {
    fakes.policy.texts["ServiceUrl"] = text;
    EXPECT_EQ(service_address(fakes.policy, fakes.ui), kBuilt) << text;
  }
  fakes.policy.texts.clear();
  EXPECT_EQ(service_address(fakes.policy, fakes.ui), kBuilt);
}

TEST_F(ServiceAddressTest, UsersSiteValueHasNoSayOverTheAddress) {
  fakes.store.values["mivositename"] = "http://evil.test";
  EXPECT_EQ(service_address(fakes.policy, fakes.ui), kBuilt);
}

}  // namespace
}  // namespace mivo

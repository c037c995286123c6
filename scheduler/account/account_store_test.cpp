// The stored account: the order of the composite reads and writes, what
// sign-out leaves, and the password kept protected (round trip, a plain value
// from an earlier version, a value that cannot be unprotected).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "account_store.h"
#include "fake_ports.h"

namespace mivo {
namespace {

using mivo::testing::FakeCredentialProtector;
using mivo::testing::FakeSettingsStore;
using ::testing::ElementsAre;

class AccountStoreTest : public ::testing::Test {
 protected:
  FakeSettingsStore settings;
  FakeCredentialProtector protector;
  AccountStore store{settings, protector, [] { return std::string("https://m.test"); }};
};

TEST_F(AccountStoreTest, WritesSiteUserAndProtectedPasswordInThisOrder) {
  store.write_account({"https://m.test", "alice", "s3cret"});
  EXPECT_THAT(settings.log,
              ElementsAre("write mivositename=https://m.test", "write mivousername=alice",
                          "write mivopassword=dpapi:sealed(s3cret)"));
}

TEST_F(AccountStoreTest, ProtectedPasswordReadsBackAsTyped) {
  store.write_account({"https://m.test", "alice", "pa ss:密码"});
  const StoredAccount account = store.read_account();
  EXPECT_EQ(account.site, "https://m.test");
  EXPECT_EQ(account.user_name, "alice");
  EXPECT_EQ(account.password, "pa ss:密码");
  EXPECT_EQ(protector.unprotect_calls, 1);
}

TEST_F(AccountStoreTest, PlainValueOfAnEarlierVersionReadsAsItIsAndIsProtectedAtOnce) {
  settings.values = {{"mivopassword", "old-plain"}};
  EXPECT_EQ(store.read_account().password, "old-plain");
  EXPECT_EQ(settings.read("mivopassword"), "dpapi:sealed(old-plain)");
  EXPECT_EQ(store.read_account().password, "old-plain");
  EXPECT_EQ(protector.unprotect_calls, 1);
}

TEST_F(AccountStoreTest, PlainValueThatCannotBeProtectedStaysRatherThanSigningTheUserOut) {
  settings.values = {{"mivopassword", "old-plain"}};
  protector.fail_protect = true;
  EXPECT_EQ(store.read_account().password, "old-plain");
  EXPECT_EQ(settings.read("mivopassword"), "old-plain");
}

TEST_F(AccountStoreTest, ValueThatCannotBeUnprotectedReadsAsNoPassword) {
  store.write_account({"https://m.test", "alice", "s3cret"});
  protector.fail_unprotect = true;
  EXPECT_EQ(store.read_account().password, "");
  settings.values["mivopassword"] = "dpapi:garbage";
  protector.fail_unprotect = false;
  EXPECT_EQ(store.read_account().password, "");
}

TEST_F(AccountStoreTest, PasswordThatCannotBeProtectedIsNeverStoredInPlainText) {
  settings.values["mivopassword"] = "dpapi:sealed(older)";
  protector.fail_protect = true;
  store.write_account({"https://m.test", "alice", "s3cret"});
  EXPECT_FALSE(settings.has("mivopassword"));
  EXPECT_EQ(settings.read("mivousername"), "alice");
}

TEST_F(AccountStoreTest, SignOutRemovesTheFiveAccountValuesAndKeepsTheOthers) {
  settings.values = {{"mivositename", "s"},     {"mivousername", "u"},
                     {"mivopassword", "p"},     {"mivotoken", "t"},
                     {"mivoorgName", "o"},      {"OutlookPluginVersion", "1.0"},
                     {"SaveUrl", "C:\\log.txt"}};
  store.sign_out();
  EXPECT_THAT(settings.log,
              ElementsAre("remove mivousername", "remove mivopassword", "remove mivositename",
                          "remove mivoorgName", "remove mivotoken"));
  EXPECT_EQ(settings.values, (std::map<std::string, std::string>{{"OutlookPluginVersion", "1.0"},
                                                                 {"SaveUrl", "C:\\log.txt"}}));
}

}  // namespace
}  // namespace mivo

// DPAPI protection of the stored password under Wine.
#include "credential_protector.h"

#include <gtest/gtest.h>

#include <string>

namespace mivo::scheduler {
namespace {

bool is_base64(const std::string& text) {
  if (text.empty() || text.size() % 4 != 0) return false;
  for (char c : text) {
    const bool alphabet = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                          (c >= '0' && c <= '9') || c == '+' || c == '/' || c == '=';
    if (!alphabet) return false;
  }
  return true;
}

TEST(CredentialProtectorTest, ProtectedTextIsBase64WithoutThePasswordAndTurnsBack) {
  const auto protector = make_credential_protector();
  const std::string password = "密码123 alice-pass";
  const std::optional<std::string> sealed = protector->protect(password);
  ASSERT_TRUE(sealed);
  EXPECT_TRUE(is_base64(*sealed)) << *sealed;
  EXPECT_EQ(std::string::npos, sealed->find("alice"));
  EXPECT_EQ(password, protector->unprotect(*sealed));
}

TEST(CredentialProtectorTest, TextThatIsNotProtectedDataDoesNotTurnBack) {
  const auto protector = make_credential_protector();
  EXPECT_EQ(std::nullopt, protector->unprotect("alice-pass"));
  EXPECT_EQ(std::nullopt, protector->unprotect("YWxpY2UtcGFzcw=="));
  EXPECT_EQ(std::nullopt, protector->unprotect(""));

  std::string damaged = *protector->protect("alice-pass");
  damaged[damaged.size() / 2] = damaged[damaged.size() / 2] == 'A' ? 'B' : 'A';
  EXPECT_EQ(std::nullopt, protector->unprotect(damaged));
}

}  // namespace
}  // namespace mivo::scheduler

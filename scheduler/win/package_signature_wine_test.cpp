// The installer package's signature check against the packages the build
// signs with a test root trusted for the test: the publisher's, unsigned,
// altered, another publisher's, one that chains to an unknown root, and one
// with the publisher's name but another key; and the key pins.
#include "package_signature.h"

#include <gtest/gtest.h>

#include "installer.h"
#include "testing/scheduler_test_support.h"

namespace mivo::scheduler {
namespace {

package_signature check(const wchar_t* name,
                        const std::vector<std::wstring>& keys = testing::test_publisher_keys()) {
  return check_package_signature(testing::update_package(name), kInstallerPublisher, keys);
}

const std::wstring kOtherKey(64, L'a');

class PackageSignatureTest : public ::testing::Test {
 protected:
  testing::TrustedTestRoot root_;
};

TEST_F(PackageSignatureTest, PublishersPackagesAreVerified) {
  EXPECT_EQ(package_signature::publisher, check(L"signed.msi"));
  EXPECT_EQ(package_signature::publisher, check(L"signed.exe"));
}

TEST_F(PackageSignatureTest, UnsignedAlteredAndWronglySignedPackagesAreRefused) {
  const struct {
    const wchar_t* name;
    package_signature verdict;
  } cases[] = {
      {L"unsigned.msi", package_signature::unsigned_or_bad},
      {L"unsigned.exe", package_signature::unsigned_or_bad},
      {L"tampered.exe", package_signature::unsigned_or_bad},
      {L"no-such-package.msi", package_signature::unsigned_or_bad},
      {L"other-publisher.msi", package_signature::other_publisher},
      {L"other-publisher.exe", package_signature::other_publisher},
      // WinVerifyTrust itself accepts these under Wine; the chain policy
      // does not.
      {L"untrusted-root.msi", package_signature::untrusted},
      {L"untrusted-root.exe", package_signature::untrusted},
      // Any authority the machine trusts may issue a certificate with the
      // publisher's name; its key is not the publisher's.
      {L"other-key.msi", package_signature::unpinned_key},
      {L"other-key.exe", package_signature::unpinned_key},
  };
  for (const auto& c : cases) EXPECT_EQ(c.verdict, check(c.name)) << c.name;
}

TEST_F(PackageSignatureTest, OnlyAPinnedKeyOfThePublisherPasses) {
  const std::vector<std::wstring> publisher = testing::test_publisher_keys();
  ASSERT_EQ(1u, publisher.size());
  EXPECT_EQ(package_signature::unpinned_key, check(L"signed.msi", {}));
  EXPECT_EQ(package_signature::unpinned_key, check(L"signed.exe", {kOtherKey}));
  // A list, so that a new key can be pinned before the old one goes.
  EXPECT_EQ(package_signature::publisher, check(L"signed.msi", {kOtherKey, publisher[0]}));
}

TEST_F(PackageSignatureTest, PackageIsReadThroughTheHandleGiven) {
  const std::wstring path = testing::update_package(L"signed.exe");
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  EXPECT_EQ(
      package_signature::publisher,
      check_package_signature(path, kInstallerPublisher, testing::test_publisher_keys(), file));
  CloseHandle(file);
}

TEST(PublisherKeys, TakesEveryWholeHexHashInLowerCaseAndNothingElse) {
  const std::wstring a(64, L'a');
  const std::wstring b = L"0123456789ABCDEF0123456789abcdef0123456789ABCDEF0123456789abcdef";
  const std::wstring b_lower = L"0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";
  EXPECT_EQ((std::vector<std::wstring>{a, b_lower}), publisher_keys(a + L"," + b));
  EXPECT_EQ((std::vector<std::wstring>{a, b_lower}), publisher_keys(L" " + a + L"; " + b + L"\n"));
  EXPECT_EQ((std::vector<std::wstring>{}), publisher_keys(L""));
  EXPECT_EQ((std::vector<std::wstring>{a}),
            publisher_keys(a + L",sha256:" + a + L"," + a.substr(1) + L"," + a + L"0," +
                           std::wstring(63, L'a') + L"g"));
}

TEST_F(PackageSignatureTest, AlteredInstallerDatabaseIsRefused) {
  if (testing::running_on_wine())
    GTEST_SKIP() << "Wine's WinVerifyTrust does not check an installer database's hash";
  EXPECT_EQ(package_signature::unsigned_or_bad, check(L"tampered.msi"));
}

TEST(PackageSignature, PublishersPackageIsUntrustedWhileItsRootIsNot) {
  EXPECT_EQ(package_signature::untrusted, check(L"signed.msi"));
}

}  // namespace
}  // namespace mivo::scheduler

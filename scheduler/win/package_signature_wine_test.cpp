// The installer package's signature check against the packages the build
// signs with a test root trusted for the test: the publisher's, unsigned,
// altered, another publisher's, and one that chains to an unknown root.
#include "package_signature.h"

#include <gtest/gtest.h>

#include "installer.h"
#include "testing/scheduler_test_support.h"

namespace mivo::scheduler {
namespace {

package_signature check(const wchar_t* name) {
  return check_package_signature(testing::update_package(name), kInstallerPublisher);
}

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
  };
  for (const auto& c : cases) EXPECT_EQ(c.verdict, check(c.name)) << c.name;
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

// The version check: which channels are asked and how, the questions, the
// version text both channels share, and the installer step.
#include "request_test_support.h"
#include "resource_ids.h"

namespace mivo::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const std::string kGrayUrl = url("/rest/api/grayscale/version/outlook/1.2.3");
const std::string kReleaseUrl = url("/rest/version/outlook/1.2.3");
constexpr const char* kPackageUrl =
    "https://download.test/download/outlookplugin/VantorOutlookPluginSetup.msi";

std::string version_answer(const std::string& version) {
  return R"({"code":0,"data":{"newVersion":")" + version + "\"}}";
}

class VersionCheckTest : public RequestTest {
 protected:
  VersionCheckTest() { fakes.store.values["OutlookPluginVersion"] = "1.2.3"; }
};

TEST_F(VersionCheckTest, SignedInUserIsAskedForBothChannelsInTurn) {
  fakes.transport.respond("GET", kGrayUrl, version_answer("2.0"));
  fakes.transport.respond("GET", kReleaseUrl, version_answer("2.0"));
  fakes.ui.answers = {msgbox::kNo, msgbox::kNo};
  EXPECT_EQ(request.check_for_update(), Result::ok);

  ASSERT_EQ(fakes.transport.requests.size(), 2u);
  EXPECT_EQ(fakes.transport.requests[0].url, kGrayUrl);
  EXPECT_EQ(fakes.transport.requests[0].header, "token:stored-tok");
  EXPECT_EQ(fakes.transport.requests[1].url, kReleaseUrl);
  EXPECT_EQ(fakes.transport.requests[1].header, "");
  EXPECT_THAT(fakes.ui.message_texts(),
              ElementsAre("new preview version 2.0, update?", "new version 2.0, update?"));
  for (const ShownMessage& question : fakes.ui.messages) {
    EXPECT_EQ(question.caption, "Mivo");
    EXPECT_EQ(question.style, msgbox::kYesNoWarning);
    EXPECT_EQ(question.owner, FakeUserInterface::kMainWindow);
  }
  EXPECT_THAT(fakes.installer.downloads, IsEmpty());
}

TEST_F(VersionCheckTest, WithoutAUsableTokenOnlyTheReleaseChannelIsAsked) {
  // A stored token with a line break would add a header of its own.
  for (const char* stored : {"", "tok\r\nX-Injected: 1"}) {
    SCOPED_TRACE(stored);
    SignedInRequest fresh;
    fresh.fakes.store.values["OutlookPluginVersion"] = "1.2.3";
    fresh.fakes.store.values["mivotoken"] = stored;
    fresh.fakes.transport.respond("GET", kReleaseUrl, version_answer("2.0"));
    fresh.fakes.ui.answers = {msgbox::kNo};
    fresh.request.check_for_update();
    EXPECT_THAT(fresh.fakes.transport.calls(), ElementsAre("GET " + kReleaseUrl));
    EXPECT_THAT(fresh.fakes.ui.message_texts(), ElementsAre("new version 2.0, update?"));
  }
}

TEST_F(VersionCheckTest, UnreadableReleaseAnswerOffersTheEarlyReleaseVersionAgain) {
  fakes.transport.respond("GET", kGrayUrl, version_answer("2.1-beta"));
  fakes.transport.respond("GET", kReleaseUrl, "<html>busy</html>");
  fakes.ui.answers = {msgbox::kNo, msgbox::kNo};
  request.check_for_update();
  EXPECT_THAT(fakes.ui.message_texts(), ElementsAre("new preview version 2.1-beta, update?",
                                                    "new version 2.1-beta, update?"));
}

TEST_F(VersionCheckTest, ReadableAnswerWithoutANewVersionClearsTheSharedText) {
  fakes.transport.respond("GET", kGrayUrl, version_answer("2.1-beta"));
  fakes.transport.respond("GET", kReleaseUrl, R"({"code":0,"data":{"newVersion":7}})");
  fakes.ui.answers = {msgbox::kNo};
  request.check_for_update();
  EXPECT_THAT(fakes.ui.message_texts(), ElementsAre("new preview version 2.1-beta, update?"));
}

TEST_F(VersionCheckTest, EmptyInstalledVersionLeavesTheBareSlash) {
  fakes.store.values = {};
  request.check_for_update();
  EXPECT_THAT(fakes.transport.calls(), ElementsAre("GET " + url("/rest/version/outlook/")));
  EXPECT_THAT(fakes.ui.messages, IsEmpty());
}

TEST_F(VersionCheckTest, TheUsersInstalledVersionComesBeforeTheMachines) {
  fakes.store.machine_values["OutlookPluginVersion"] = "1.0.0";
  request.check_for_update();
  EXPECT_THAT(fakes.transport.calls(), ElementsAre("GET " + kGrayUrl, "GET " + kReleaseUrl));

  // Installed for every user of the computer only.
  SignedInRequest machine_only;
  machine_only.fakes.store.machine_values["OutlookPluginVersion"] = "1.0.0";
  machine_only.request.check_for_update();
  EXPECT_THAT(machine_only.fakes.transport.calls(),
              ElementsAre("GET " + url("/rest/api/grayscale/version/outlook/1.0.0"),
                          "GET " + url("/rest/version/outlook/1.0.0")));
}

TEST_F(VersionCheckTest, OnlyTheAdministratorsOneTurnsTheCheckOff) {
  fakes.transport.respond("GET", kGrayUrl, version_answer("2.0"));
  fakes.transport.respond("GET", kReleaseUrl, version_answer("2.0"));
  fakes.ui.answers = {msgbox::kYes, msgbox::kOk};
  fakes.policy.numbers["DisableUpdateCheck"] = 1;
  EXPECT_EQ(request.check_for_update(), Result::ok);
  EXPECT_THAT(fakes.transport.requests, IsEmpty());
  EXPECT_THAT(fakes.ui.messages, IsEmpty());
  EXPECT_THAT(fakes.installer.downloads, IsEmpty());

  // 0 (the template's "Disabled"), or any other number, leaves it on.
  for (const std::uint32_t other : {0u, 2u}) {
    SCOPED_TRACE(other);
    SignedInRequest fresh;
    fresh.fakes.store.values["OutlookPluginVersion"] = "1.2.3";
    fresh.fakes.policy.numbers["DisableUpdateCheck"] = other;
    fresh.fakes.ui.answers = {msgbox::kNo};
    fresh.fakes.transport.respond("GET", kReleaseUrl, version_answer("2.0"));
    fresh.request.check_for_update();
    EXPECT_THAT(fresh.fakes.transport.calls(),
                ElementsAre("GET " + kGrayUrl, "GET " + kReleaseUrl));
    EXPECT_THAT(fresh.fakes.ui.message_texts(), ElementsAre("new version 2.0, update?"));
  }
}

TEST_F(VersionCheckTest, StoredSiteOfAnotherServiceIsNeitherAskedNorGivenTheToken) {
  fakes.store.values["mivositename"] = "http://evil.test";
  request.check_for_update();
  // The account of that other service counts as signed out: no token, no
  // early-release channel.
  EXPECT_THAT(fakes.transport.calls(), ElementsAre("GET " + kReleaseUrl));
  EXPECT_FALSE(fakes.store.has("mivotoken"));
}

TEST_F(VersionCheckTest, YesDownloadsStartsTheCompletePackageAndAsksTheHostToCloseAfterTheNotice) {
  fakes.transport.respond("GET", kGrayUrl, version_answer("2.0"));
  fakes.transport.respond("GET", kReleaseUrl, version_answer("2.0"));
  fakes.ui.answers = {msgbox::kYes, msgbox::kOk};
  // The command that asked must not go on while the host closes.
  EXPECT_EQ(request.check_for_update(), Result::not_confirmed);

  EXPECT_THAT(fakes.installer.downloads, ElementsAre(kPackageUrl));
  EXPECT_THAT(fakes.installer.download_owners, ElementsAre(FakeUserInterface::kMainWindow));
  EXPECT_THAT(fakes.installer.verified, ElementsAre("C:\\Temp\\VantorOutlookPluginSetup.msi"));
  EXPECT_THAT(fakes.installer.opened, ElementsAre("C:\\Temp\\VantorOutlookPluginSetup.msi"));
  ASSERT_EQ(fakes.ui.messages.size(), 2u);
  EXPECT_EQ(fakes.ui.messages[1].text, "close the host");
  EXPECT_EQ(fakes.ui.messages[1].caption, "Warning");
  EXPECT_EQ(fakes.ui.messages[1].style, msgbox::kWarning);
  EXPECT_EQ(fakes.installer.close_requests, 1);
  EXPECT_THAT(fakes.installer.discarded, IsEmpty());
  // The host is closing: the release channel is not asked any more.
  EXPECT_THAT(fakes.transport.calls(), ElementsAre("GET " + kGrayUrl));
}

TEST_F(VersionCheckTest, InstallerThatDoesNotStartIsReportedAndTheHostGoesOn) {
  fakes.transport.respond("GET", kGrayUrl, version_answer("2.0"));
  fakes.transport.respond("GET", kReleaseUrl, version_answer("2.0"));
  fakes.installer.installer_starts = false;
  fakes.ui.answers = {msgbox::kYes, msgbox::kOk, msgbox::kNo};
  EXPECT_EQ(request.check_for_update(), Result::ok);

  EXPECT_THAT(fakes.installer.opened, ElementsAre("C:\\Temp\\VantorOutlookPluginSetup.msi"));
  EXPECT_THAT(fakes.installer.discarded, ElementsAre("C:\\Temp\\VantorOutlookPluginSetup.msi"));
  EXPECT_EQ(fakes.installer.close_requests, 0);
  ASSERT_EQ(fakes.ui.messages.size(), 3u);
  EXPECT_EQ(fakes.ui.messages[1].text, "installer not started");
  EXPECT_EQ(fakes.ui.messages[1].caption, "Mivo");
  EXPECT_EQ(fakes.ui.messages[1].style, msgbox::kWarning);
  EXPECT_EQ(fakes.ui.messages[2].text, "new version 2.0, update?");
}

TEST_F(VersionCheckTest, FailedDownloadStartsNothingAndTheReleaseChannelStillAsks) {
  fakes.transport.respond("GET", kGrayUrl, version_answer("2.0"));
  fakes.transport.respond("GET", kReleaseUrl, version_answer("2.0"));
  fakes.installer.downloaded_file = std::nullopt;
  fakes.ui.answers = {msgbox::kYes, msgbox::kNo};
  request.check_for_update();

  EXPECT_THAT(fakes.installer.downloads, ElementsAre(kPackageUrl));
  EXPECT_THAT(fakes.installer.opened, IsEmpty());
  EXPECT_EQ(fakes.installer.close_requests, 0);
  EXPECT_THAT(fakes.ui.message_texts(),
              ElementsAre("new preview version 2.0, update?", "new version 2.0, update?"));
}

TEST_F(VersionCheckTest, PackageThatFailsVerificationIsDeletedUnopenedAndTheHostStays) {
  fakes.transport.respond("GET", kGrayUrl, version_answer("2.0"));
  fakes.transport.respond("GET", kReleaseUrl, version_answer("2.0"));
  fakes.installer.signed_by_publisher = false;
  fakes.ui.answers = {msgbox::kYes, msgbox::kOk, msgbox::kNo};
  request.check_for_update();

  EXPECT_THAT(fakes.installer.discarded, ElementsAre("C:\\Temp\\VantorOutlookPluginSetup.msi"));
  EXPECT_THAT(fakes.installer.opened, IsEmpty());
  EXPECT_EQ(fakes.installer.close_requests, 0);
  ASSERT_EQ(fakes.ui.messages.size(), 3u);
  EXPECT_EQ(fakes.ui.messages[1].text, "update not verified");
  EXPECT_EQ(fakes.ui.messages[1].caption, "Mivo");
  EXPECT_EQ(fakes.ui.messages[1].style, msgbox::kWarning);
  EXPECT_EQ(fakes.ui.messages[1].owner, FakeUserInterface::kMainWindow);
  EXPECT_EQ(fakes.ui.messages[2].text, "new version 2.0, update?");
}

// The version goes where the question's text has "%1", once: a translation
// places it where its sentence needs it, and a version that itself reads
// "%1" is not filled in again.
TEST_F(VersionCheckTest, TheVersionTakesThePlaceOfTheMarkInTheQuestion) {
  const struct {
    const char* question;
    const char* version;
    const char* shown;
  } cases[] = {{"%1 is out. Update?", "2.0", "2.0 is out. Update?"},
               {"Update to %1?", "%1-rc", "Update to %1-rc?"},
               {"No version here.", "2.0", "No version here."}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.question);
    SignedInRequest fresh;
    fresh.fakes.store.values["OutlookPluginVersion"] = "1.2.3";
    fresh.fakes.ui.strings[IDS_NEW_VERSION] = c.question;
    fresh.fakes.store.values["mivotoken"] = "";
    fresh.fakes.transport.respond("GET", kReleaseUrl, version_answer(c.version));
    fresh.fakes.ui.answers = {msgbox::kNo};
    fresh.request.check_for_update();
    EXPECT_THAT(fresh.fakes.ui.message_texts(), ElementsAre(c.shown));
  }
}

TEST_F(VersionCheckTest, WithoutAnyWindowBothChannelsAreStillAsked) {
  fakes.ui.active = 0;
  fakes.ui.foreground = 0;
  fakes.transport.respond("GET", kGrayUrl, version_answer(""));
  fakes.transport.respond("GET", kReleaseUrl, version_answer(""));
  EXPECT_EQ(request.check_for_update(), Result::ok);
  EXPECT_THAT(fakes.transport.calls(), ElementsAre("GET " + kGrayUrl, "GET " + kReleaseUrl));
  for (const ServiceRequest& sent : fakes.transport.requests) {
    EXPECT_EQ(sent.owner, 0u);
  }
}

}  // namespace
}  // namespace mivo::testing

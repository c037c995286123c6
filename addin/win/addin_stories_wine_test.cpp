// The add-in's stories, each a scenario of addin/scenarios played by the
// Outlook host (mivo-outlook.exe) with the add-in registered for the user,
// the reference service behind the scheduler and the dialog robot answering
// its dialogs. A story passes when its scenario runs to its end; some also
// look at what the service kept.
#include <windows.h>

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "base64_decode.h"
#include "host_test_support.h"
#include "refservice_client.h"
#include "testing/addin_test_support.h"

namespace mivo::addin {
namespace {

using testing::bin_file;
using testing::InstallFolder;
using testing::UserRegistration;

std::wstring scenario(const wchar_t* name) {
  return std::wstring(L"\"Z:") + MIVO_ADDIN_SCENARIOS + L"\\" + name + L".scenario\"";
}

class Story : public ::testing::Test {
 protected:
  void SetUp() override { service_.reset(); }

  // Plays the scenario with the add-in installed at `addin`; the host's
  // report when it does not run to its end.
  void play(const wchar_t* name, const std::wstring& addin = bin_file(L"MivoOutlookPlugin.dll")) {
    const UserRegistration registration(addin);
    ASSERT_EQ(0u, registration.result());
    const DWORD code = outlookhost::testing::run_host(scenario(name), output_);
    EXPECT_EQ(0u, code) << output_;
  }

  // The scheduler warned of nothing along the way: the host reports each
  // message box and dismisses those no step expects; its own (Outlook's
  // question whether to save) do not count.
  void expect_no_warning() const {
    std::istringstream lines(output_);
    for (std::string line; std::getline(lines, line);) {
      if (line.find("a message box:") == std::string::npos) continue;
      EXPECT_NE(std::string::npos, line.find("\"Outlook (host)\"")) << line;
    }
  }

  refservice::Client service_;
  scheduler::testing::SettingsKeyGuard settings_;
  std::string output_;
};

TEST_F(Story, SigningInOrOutFromOnePlaceUpdatesTheButtonsEverywhere) {
  play(L"sign-in");
  expect_no_warning();
}

TEST_F(Story, ANewOnlineMeetingFromTheMainWindowOpensWithItsInvitation) {
  play(L"new-meeting-signed-in");
  expect_no_warning();
}

TEST_F(Story, ANewOnlineMeetingSignsInFirstAndACancelledSignInOpensNothing) {
  play(L"new-meeting-signed-out");
}

TEST_F(Story, AnOnlineMeetingAddedToAnAppointmentPutsItsInvitationAfterTheBody) {
  play(L"add-to-appointment");
}

TEST_F(Story, AnEditedMeetingSendsItsUpdateAndReplacesItsInvitationInPlace) {
  play(L"edit-and-send");
  expect_no_warning();
}

TEST_F(Story, AnUpdateTheServiceRefusesCancelsTheSend) {
  Json::Value fault(Json::objectValue);
  fault["path"] = "/rest/api/conference/schedule";
  fault["method"] = "PUT";
  fault["code"] = -1;
  service_.add_fault(fault);
  play(L"failed-update");
}

TEST_F(Story, SavingBeforeSendingTakesTheMeetingOffOnceAndForAll) {
  play(L"save-without-sending");
  EXPECT_EQ(0u, service_.meetings().size());
}

TEST_F(Story, ClosingUnsavedOrSendingACancellationRemovesTheMeeting) {
  play(L"close-or-cancel");
  EXPECT_EQ(0u, service_.meetings().size());
  expect_no_warning();
}

TEST_F(Story, AnInstantMeetingWithoutTheDesktopClientOpensTheJoinPageInTheBrowser) {
  namespace testing = scheduler::testing;
  // No desktop client, and a browser that only notes what it was given;
  // both keys are put back afterwards.
  const testing::registry_key_guard client(HKEY_CLASSES_ROOT, L"darselVantor");
  const testing::registry_key_guard browser(HKEY_CLASSES_ROOT, L"https");
  testing::set_string(HKEY_CLASSES_ROOT, L"https\\shell\\open\\command", nullptr,
                      L"\"" + testing::recorder_path() + L"\" \"%1\"");
  testing::LaunchRecords launches;
  play(L"instant-meeting");
  expect_no_warning();

  const auto started = launches.collect();
  ASSERT_EQ(1u, started.size());
  std::string address = testing::argument_after_program(started[0].command_line);
  if (address.size() >= 2 && address.front() == '"')
    address = address.substr(1, address.size() - 2);
  const std::string page = service_.base_url() + "/meet/?";
  ASSERT_EQ(0u, address.find(page)) << address;
  const auto query = refservice::base64_decode(std::string_view(address).substr(page.size()));
  ASSERT_TRUE(query.has_value()) << address;
  // bob's room, name and token, from the user refresh before the launch.
  EXPECT_EQ(0u, query->find("action=join&key=8810010002&user=Bob Martin&leavecb=0&invitecb=0"
                            "&from=mivo&t="))
      << *query;
  const std::string token = "&token=" + testing::setting("mivotoken");
  EXPECT_EQ(query->size() - token.size(), query->rfind(token)) << *query;
}

TEST_F(Story, CommandsActOnTheirOwnWindowOnly) { play(L"windows"); }

TEST_F(Story, AttendeesOfEveryKindReachTheServiceWithTheirSmtpAddresses) {
  play(L"recipients");
  const Json::Value meetings = service_.meetings();
  ASSERT_EQ(1u, meetings.size());
  const Json::Value& participants = meetings[0]["record"]["participantList"];
  ASSERT_EQ(4u, participants.size());
  const std::pair<const char*, const char*> expected[] = {
      {"guest@example.com", "Guest"},
      {"li.lei@example.com", "李雷"},
      {"rooms@example.com", "Room Booking"},
      {"design-team@example.com", "Design Team"}};
  for (Json::ArrayIndex i = 0; i < participants.size(); ++i) {
    EXPECT_EQ(expected[i].first, participants[i]["mail"].asString());
    EXPECT_EQ(expected[i].second, participants[i]["name"].asString());
  }
}

TEST_F(Story, TurningTheAddinOffAndOnAgainKeepsItsRibbon) { play(L"off-and-on"); }

TEST_F(Story, WithoutTheSchedulerLibraryTheAddinStaysQuiet) {
  const InstallFolder folder({L"MivoOutlookPlugin.dll", L"MivoOlkRes64.dll"});
  play(L"without-scheduler", folder.file_path(L"MivoOutlookPlugin.dll"));
}

TEST_F(Story, WithoutTheResourceLibraryTheAddinHasNoRibbon) {
  const InstallFolder folder(
      {L"MivoOutlookPlugin.dll", MIVO_SCHEDULER_DLL_NAME, L"MivoOlkRes.dll", L"MivoOIURL.dll"});
  play(L"without-resources", folder.file_path(L"MivoOutlookPlugin.dll"));
}

}  // namespace
}  // namespace mivo::addin

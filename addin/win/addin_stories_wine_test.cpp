// The add-in's stories, each a scenario of addin/scenarios played by the
// Outlook host (mivo-outlook.exe) with the add-in registered for the user,
// the reference service behind the scheduler and the dialog robot answering
// its dialogs, with Office in Chinese and in English (the robot and the
// scenarios find controls by id). A story passes when its scenario runs to
// its end; some also look at what the service kept.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "base64_decode.h"
#include "agent_test_support.h"
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

constexpr LCID kChinese = 2052;
constexpr LCID kEnglish = 1033;

class StoryBase : public ::testing::Test {
 protected:
  void SetUp() override { service_.reset(); }

  // Plays the scenario with Office in `language` and the add-in installed at
  // `addin`; the host's report when it does not run to its end.
  void play_in(LCID language, const wchar_t* name,
               const std::wstring& addin = bin_file(L"MivoOutlookPlugin.dll")) {
    const UserRegistration registration(addin);
    ASSERT_EQ(0u, registration.result());
    const DWORD code = outlookhost::testing::run_host(
        L"--office-language " + std::to_wstring(language) + L" " + scenario(name), output_);
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

// Every story with Office in each language; the parameter is Office's.
class Story : public StoryBase, public ::testing::WithParamInterface<LCID> {
 protected:
  void play(const wchar_t* name, const std::wstring& addin = bin_file(L"MivoOutlookPlugin.dll")) {
    play_in(GetParam(), name, addin);
  }

  // The scheduler showed this message, in Office's language.
  void expect_told(const char* in_chinese, const char* in_english) const {
    const char* text = GetParam() == kChinese ? in_chinese : in_english;
    EXPECT_NE(std::string::npos, output_.find(text)) << output_;
  }
  void expect_told_no_answer() const {
    expect_told("服务器无响应，请检查网络连接",
                "The server did not answer. Please check your network connection.");
  }
};

// Which language the ribbon and the scheduler speak: Office's, English for a
// language the add-in does not carry, the administrator's above both.
class OfficeLanguage : public StoryBase {
 protected:
  // Plays the scenario that reads the messages of `language` ("chinese" or
  // "english") with Office in `office`, and looks for that language's label
  // of the schedule button, and not the other's, in the ribbon the host
  // printed.
  void expect_speaks(const char* language, LCID office) {
    SCOPED_TRACE(std::string(language) + " for Office in " + std::to_string(office));
    const bool chinese = std::string(language) == "chinese";
    play_in(office, chinese ? L"chinese-office" : L"english-office");
    EXPECT_NE(std::string::npos, output_.find(chinese ? "预约会议" : "Schedule Meeting"))
        << output_;
    EXPECT_EQ(std::string::npos, output_.find(chinese ? "Schedule Meeting" : "预约会议"))
        << output_;
  }
};

TEST_F(OfficeLanguage, ChineseOfficeAndItsVariantsGetTheChineseRibbonAndMessages) {
  for (LCID chinese : {LCID{2052}, LCID{1028}, LCID{3076}})  // zh-CN, zh-TW, zh-HK
    expect_speaks("chinese", chinese);
}

TEST_F(OfficeLanguage, EnglishOfficeAndLanguagesTheAddinLacksGetTheEnglishOnes) {
  for (LCID other : {LCID{1033}, LCID{2057}, LCID{1039}})  // en-US, en-GB, is-IS
    expect_speaks("english", other);
}

TEST_F(OfficeLanguage, TheAdministratorsLanguageWinsOverOffices) {
  using oiurl::testing::scoped_setting;
  {
    const auto policy = scoped_setting::policy_text(L"Language", L"en-US");
    expect_speaks("english", kChinese);
  }
  {
    const auto policy = scoped_setting::policy_dword(L"Language", kChinese);
    expect_speaks("chinese", kEnglish);
  }
  // A value that names no language leaves the choice to Office.
  const auto policy = scoped_setting::policy_text(L"Language", L"no-such-language");
  expect_speaks("chinese", kChinese);
}

TEST_P(Story, SigningInOrOutFromOnePlaceUpdatesTheButtonsEverywhere) {
  play(L"sign-in");
  expect_no_warning();
}

TEST_P(Story, ANewOnlineMeetingFromTheMainWindowOpensWithItsInvitation) {
  play(L"new-meeting-signed-in");
  expect_no_warning();
}

TEST_P(Story, ANewOnlineMeetingSignsInFirstAndACancelledSignInOpensNothing) {
  play(L"new-meeting-signed-out");
}

TEST_P(Story, AnOnlineMeetingAddedToAnAppointmentPutsItsInvitationAfterTheBody) {
  play(L"add-to-appointment");
}

TEST_P(Story, AnEditedMeetingSendsItsUpdateAndReplacesItsInvitationInPlace) {
  play(L"edit-and-send");
  expect_no_warning();
}

TEST_P(Story, AnUpdateTheServiceRefusesCancelsTheSend) {
  Json::Value fault(Json::objectValue);
  fault["path"] = "/rest/api/conference/schedule";
  fault["method"] = "PUT";
  fault["code"] = -1;
  service_.add_fault(fault);
  play(L"failed-update");
}

TEST_P(Story, AMeetingOfAnotherAccountIsNeitherUpdatedNorRemoved) {
  play(L"another-account");
  expect_told("该在线会议属于其他账号，无法更新。",
              "This online meeting belongs to another account and cannot be updated.");
  expect_told_no_answer();
  // Alice's sent meeting, and the one her window made and bob could not
  // remove for her.
  EXPECT_EQ(2u, service_.meetings().size());
}

TEST_P(Story, SavingBeforeSendingTakesTheMeetingOffOnceAndForAll) {
  play(L"save-without-sending");
  EXPECT_EQ(0u, service_.meetings().size());
}

TEST_P(Story, AMeetingStaysWholeWhenReopenedRemovedRefusedOrAddedLater) {
  play(L"meeting-lifecycle");
  // Only the three meetings that were sent are left, and the one a save
  // kept when the service did not answer its removal.
  EXPECT_EQ(4u, service_.meetings().size());
  expect_told_no_answer();
}

TEST_P(Story, SeriesReachTheServiceWithTheirPatternAndTheDayTheyEnd) {
  play(L"series-ending-after-occurrences");
  expect_no_warning();
}

// A monthly series on a day of the month is refused with the scheduler's
// message, in Office's language, before anything is sent.
TEST_P(Story, SeriesEndingOnADateEndThereAndAPatternTheServiceLacksIsRefused) {
  play(L"series-ending-on-a-date");
  expect_told("不支持该会议的定期模式", "This meeting's recurrence pattern is not supported.");
  EXPECT_EQ(3u, service_.meetings().size());
}

TEST_P(Story, AnOccurrenceChangedAloneUpdatesThatOccurrenceOnly) {
  play(L"series-one-occurrence");
  expect_no_warning();
}

TEST_P(Story, ClosingUnsavedOrSendingACancellationRemovesTheMeeting) {
  play(L"close-or-cancel");
  EXPECT_EQ(0u, service_.meetings().size());
  expect_no_warning();
}

TEST_P(Story, AnInstantMeetingWithoutTheDesktopClientOpensTheJoinPageInTheBrowser) {
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

TEST_P(Story, CommandsActOnTheirOwnWindowOnly) { play(L"windows"); }

TEST_P(Story, AttendeesOfEveryKindReachTheServiceWithTheirSmtpAddresses) {
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

TEST_P(Story, AttendeesTypedWithoutLeavingTheFieldReachTheService) {
  play(L"typed-attendees");
  expect_no_warning();
  std::map<std::string, std::vector<std::string>> mails;
  for (const Json::Value& meeting : service_.meetings()) {
    auto& of_meeting = mails[meeting["record"]["subject"].asString()];
    for (const Json::Value& participant : meeting["record"]["participantList"])
      of_meeting.push_back(participant["mail"].asString());
  }
  EXPECT_EQ((std::vector<std::string>{"guest@example.com", "li.lei@example.com"}),
            mails["Typed in To"]);
  EXPECT_EQ((std::vector<std::string>{"first@example.com", "second@example.com"}),
            mails["Typed in optional"]);
}

TEST_P(Story, TurningTheAddinOffAndOnAgainKeepsItsRibbon) { play(L"off-and-on"); }

TEST_P(Story, WithoutTheSchedulerLibraryTheAddinStaysQuiet) {
  const InstallFolder folder({L"MivoOutlookPlugin.dll", L"MivoOlkRes64.dll"});
  play(L"without-scheduler", folder.file_path(L"MivoOutlookPlugin.dll"));
}

TEST_P(Story, WithoutTheResourceLibraryTheAddinHasNoRibbon) {
  const InstallFolder folder(
      {L"MivoOutlookPlugin.dll", MIVO_SCHEDULER_DLL_NAME, L"MivoOlkRes.dll", L"MivoOIURL.dll"});
  play(L"without-resources", folder.file_path(L"MivoOutlookPlugin.dll"));
}

INSTANTIATE_TEST_SUITE_P(Office, Story, ::testing::Values(kChinese, kEnglish),
                         [](const ::testing::TestParamInfo<LCID>& info) {
                           return info.param == kChinese ? "InChinese" : "InEnglish";
                         });

}  // namespace
}  // namespace mivo::addin

// Commit and Delete against a scripted service: the checks and their
// warnings, create and update with the schedule lookup, what the answer
// writes back, and what a failed answer must leave alone.
#include "portable/json.h"
#include "request_test_support.h"
#include "records/settings_record.h"

namespace mivo::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr WindowHandle kCaller = 0x4242;  // the add-in's lParentWnd

Json::Value body_of(const ServiceRequest& request) {
  Json::Value body;
  EXPECT_TRUE(parse_json(request.body, body)) << request.body;
  return body;
}

std::string saved(const std::string& key, const std::string& mail = "") {
  Json::Value answer(Json::objectValue);
  answer["code"] = 0;
  answer["data"]["meetingKey"] = key;
  answer["data"]["mailContent"] = mail;
  return write_json(answer);
}

std::string conferences(const std::string& list) { return R"({"code":0,"data":)" + list + "}"; }

const std::string kSaveUrl = url("/rest/api/conference/schedule");

class SchedulingTest : public RequestTest {
 protected:
  SchedulingTest() { fakes.ui.windows.insert(kCaller); }
};

// --- Checks before anything is sent ------------------------------------------

TEST_F(SchedulingTest, CommitWithoutASinkFailsWithoutSending) {
  load();
  EXPECT_EQ(request.commit(nullptr, kCaller), Result::failed);
  EXPECT_THAT(fakes.transport.requests, IsEmpty());
  EXPECT_THAT(fakes.ui.dialogs, IsEmpty());
}

TEST_F(SchedulingTest, RefusedRecurrenceWarnsTheCallersWindow) {
  Appointment monthly;
  monthly.recurrence.recurring = true;
  monthly.recurrence.pattern_type = records::pattern_monthly;
  monthly.recurrence.interval = 1;
  load(monthly);
  EXPECT_EQ(request.commit(&sink, kCaller), Result::failed);
  ASSERT_EQ(fakes.ui.messages.size(), 1u);
  EXPECT_EQ(fakes.ui.messages[0].text, "recurrence refused");
  EXPECT_EQ(fakes.ui.messages[0].owner, kCaller);
  EXPECT_THAT(fakes.transport.requests, IsEmpty());
}

TEST(SubjectLimit, IsSixtyFourUtf16Units) {
  std::string ideographs64;
  for (int i = 0; i < 64; ++i) ideographs64 += "会";
  std::string emoji32;  // 32 surrogate pairs: 64 units
  for (int i = 0; i < 32; ++i) emoji32 += "😀";
  for (const std::string& subject : {std::string(64, 'a'), ideographs64, emoji32}) {
    SignedInRequest fresh;
    fresh.sink.subject = subject;
    fresh.fakes.transport.respond("POST", url("/rest/api/conference/schedule"), saved("K"));
    fresh.load();
    EXPECT_EQ(fresh.request.commit(&fresh.sink, kCaller), Result::ok) << subject;
    EXPECT_THAT(fresh.fakes.ui.messages, IsEmpty());
  }
  for (const std::string& subject : {std::string(65, 'a'), emoji32 + "x"}) {
    SignedInRequest fresh;
    fresh.sink.subject = subject;
    fresh.load();
    EXPECT_EQ(fresh.request.commit(&fresh.sink, kCaller), Result::failed) << subject;
    EXPECT_THAT(fresh.fakes.ui.message_texts(), ElementsAre("subject too long"));
    EXPECT_EQ(fresh.fakes.ui.messages.at(0).owner, kCaller);
    EXPECT_THAT(fresh.fakes.transport.requests, IsEmpty());
  }
}

TEST_F(SchedulingTest, SubjectLengthenedDuringTheOptionsDialogIsRefusedBeforeSending) {
  load();
  fakes.ui.meeting = [this](WindowHandle, CMeetingInfo&) {
    sink.subject = std::string(65, 'x');
    return 1;
  };
  EXPECT_EQ(request.commit(&sink, kCaller), Result::failed);
  EXPECT_THAT(fakes.ui.message_texts(), ElementsAre("subject too long"));
  EXPECT_EQ(fakes.ui.messages[0].owner, FakeUserInterface::kMainWindow);
  EXPECT_THAT(fakes.transport.requests, IsEmpty());
}

TEST(SendChecks, StartBeforeTheFirstStartAndZeroDurationAreRefused) {
  Appointment moved;
  moved.first_start = kMarch15At10 + 1;
  Appointment empty;
  empty.duration = 0;
  const std::pair<Appointment, const char*> cases[] = {{moved, "start too early"},
                                                       {empty, "zero duration"}};
  for (const auto& [appointment, message] : cases) {
    SignedInRequest fresh;
    fresh.load(appointment);
    EXPECT_EQ(fresh.request.commit(&fresh.sink, kCaller), Result::failed);
    ASSERT_EQ(fresh.fakes.ui.messages.size(), 1u);
    EXPECT_EQ(fresh.fakes.ui.messages[0].text, message);
    EXPECT_EQ(fresh.fakes.ui.messages[0].owner, FakeUserInterface::kMainWindow);
    EXPECT_EQ(fresh.fakes.ui.messages[0].caption, "Mivo");
    EXPECT_THAT(fresh.fakes.ui.dialogs, IsEmpty());
    EXPECT_THAT(fresh.fakes.transport.requests, IsEmpty());
  }
}

TEST_F(SchedulingTest, CancelledOptionsDialogSendsNothing) {
  load();
  fakes.ui.meeting = FakeUserInterface::cancel_options();
  EXPECT_EQ(request.commit(&sink, kCaller), Result::failed);
  EXPECT_THAT(fakes.ui.dialog_names(), ElementsAre("meeting"));
  EXPECT_THAT(fakes.transport.requests, IsEmpty());
  EXPECT_THAT(fakes.ui.messages, IsEmpty());
  EXPECT_THAT(sink.calls, ElementsAre("get_subject"));
}

// --- Create ------------------------------------------------------------------

TEST_F(SchedulingTest, NewMeetingIsCreatedWithTheOptionsAndWrittenBackToTheAppointment) {
  load();
  fakes.ui.meeting = fakes.ui.press_ok(false, {"12a4", "2468"});
  fakes.transport.respond("POST", kSaveUrl, saved("K-1", "Join"));
  EXPECT_EQ(request.commit(&sink, kCaller), Result::ok);

  ASSERT_EQ(fakes.transport.requests.size(), 1u);
  const ServiceRequest& save = fakes.transport.requests[0];
  EXPECT_EQ(save.header, "token:stored-tok");
  EXPECT_EQ(save.owner, FakeUserInterface::kMainWindow);
  const Json::Value body = body_of(save);
  EXPECT_EQ(body["subject"], "Planning");
  EXPECT_EQ(body["password"], "2468");
  EXPECT_EQ(body["enterMeetMute"], false);
  EXPECT_EQ(body["startDate"], "2024-03-15");
  EXPECT_FALSE(body.isMember("meetingKey"));
  EXPECT_THAT(fakes.ui.message_texts(), ElementsAre("password refused"));

  EXPECT_THAT(sink.calls, ElementsAre("get_subject", "get_subject", "set_subject Planning",
                                      "get_location", "set_location https://m.test/K-1"));
  EXPECT_EQ(request.meeting().meeting_key, "K-1");
  EXPECT_EQ(request.mail_body(), "Join");
  EXPECT_FALSE(request.meeting_info_changed());
  EXPECT_NE(request.settings_record().find("\"MeetingKey\":\"K-1\""), std::string::npos);
}

TEST_F(SchedulingTest, SaveAndLocationGoToTheAdministratorsServiceNotTheStoredSite) {
  fakes.policy.texts["ServiceUrl"] = "https://meet.corp.example";
  fakes.store.values["mivositename"] = "https://meet.corp.example";
  load();
  fakes.transport.respond("POST", "https://meet.corp.example/rest/api/conference/schedule",
                          saved("K-1"));
  EXPECT_EQ(request.commit(&sink, kCaller), Result::ok);
  EXPECT_THAT(fakes.transport.calls(),
              ElementsAre("POST https://meet.corp.example/rest/api/conference/schedule"));
  EXPECT_EQ(sink.calls.back(), "set_location https://meet.corp.example/K-1");
}

TEST_F(SchedulingTest, StoredSiteOfAnotherServiceGetsNothingAndItsTokenIsNotSent) {
  fakes.store.values["mivositename"] = "http://evil.test";
  load();
  fakes.transport.respond("POST", kSaveUrl, saved("K-1"));
  request.commit(&sink, kCaller);
  ASSERT_EQ(fakes.transport.requests.size(), 1u);
  EXPECT_EQ(fakes.transport.requests[0].url, kSaveUrl);
  EXPECT_EQ(fakes.transport.requests[0].header, "token:");
  EXPECT_EQ(sink.calls.back(), "set_location https://m.test/K-1");
}

TEST_F(SchedulingTest, EmptySubjectBecomesTheHostsDefaultSubjectOnTheAppointment) {
  sink.subject = "";
  fakes.transport.respond(
      "GET", url("/rest/api/conference/user/info"),
      R"({"code":0,"data":{"id":"u","name":"Alice","token":"t","meetingKey":"r"}})");
  ASSERT_EQ(request.simple_update(), Result::ok);
  load();
  fakes.transport.respond("POST", kSaveUrl, saved("K"));
  EXPECT_EQ(request.commit(&sink, kCaller), Result::ok);
  EXPECT_EQ(sink.subject, "Alice's meeting");

  // The record says what was written, and an update that writes nothing
  // keeps it; a typed subject and location are not the scheduler's.
  const auto written = [&] {
    records::SettingsRecord record;
    records::read_settings_record(request.settings_record(), record);
    return std::vector<std::string>{record.default_subject, record.location};
  };
  EXPECT_EQ(written(), (std::vector<std::string>{"Alice's meeting", "https://m.test/K"}));
  fakes.transport.respond("GET", url("/rest/api/conference/schedule/K"),
                          conferences(R"([{"id":"c-1"}])"));
  fakes.transport.respond("PUT", kSaveUrl, saved("K"));
  sink.subject = "Typed";
  ASSERT_EQ(request.commit(&sink, kCaller), Result::ok);
  EXPECT_EQ(written(), (std::vector<std::string>{"Alice's meeting", "https://m.test/K"}));

  SignedInRequest typed;
  typed.sink.location = "Room 4";
  typed.load();
  typed.fakes.transport.respond("POST", kSaveUrl, saved("K"));
  ASSERT_EQ(typed.request.commit(&typed.sink, kCaller), Result::ok);
  EXPECT_EQ(typed.request.settings_record().find("Location"), std::string::npos);
  EXPECT_EQ(typed.request.settings_record().find("DefaultSubject"), std::string::npos);
}

TEST_F(SchedulingTest, EscapedLineBreaksOfTheInvitationBecomeLineFeedsAndOtherBackslashesStay) {
  load();
  // The decoded text: Join:\nhttps://x\n\nC:\dir \\n end\  (backslashes literal)
  fakes.transport.respond("POST", kSaveUrl,
                          saved("K", "Join:\\nhttps://x\\n\\nC:\\dir \\\\n end\\"));
  EXPECT_EQ(request.commit(&sink, kCaller), Result::ok);
  EXPECT_EQ(request.mail_body(), "Join:\nhttps://x\n\nC:\\dir \\\n end\\");
}

TEST_F(SchedulingTest, NonEmptyLocationIsLeftAlone) {
  sink.location = "Room 4";
  load();
  fakes.transport.respond("POST", kSaveUrl, saved("K"));
  EXPECT_EQ(request.commit(&sink, kCaller), Result::ok);
  EXPECT_EQ(sink.location, "Room 4");
  EXPECT_EQ(sink.calls.back(), "get_location");
}

TEST_F(SchedulingTest, SaveIsOwnedByTheForegroundWindowWhenNoneIsActive) {
  fakes.ui.active = 0;
  fakes.ui.foreground = 0x5000;
  fakes.ui.windows.insert(0x5000);
  load();
  fakes.transport.respond("POST", kSaveUrl, saved("K"));
  EXPECT_EQ(request.commit(&sink, kCaller), Result::ok);
  EXPECT_EQ(fakes.transport.requests.at(0).owner, 0x5000u);
  EXPECT_EQ(fakes.ui.dialogs.at(0).owner, 0x5000u);
}

TEST_F(SchedulingTest, RecordsReloadedWhileTheSaveIsUnderWayTakeItsAnswer) {
  load();
  fakes.transport.respond("POST", kSaveUrl, saved("K-new", "Join"));
  fakes.transport.while_sending = [this](const ServiceRequest&) {
    fakes.transport.while_sending = nullptr;
    load_existing("");
  };
  EXPECT_EQ(request.commit(&sink, kCaller), Result::ok);
  EXPECT_EQ(request.meeting().meeting_key, "K-new");
  EXPECT_EQ(request.mail_body(), "Join");
  EXPECT_FALSE(request.meeting_info_changed());
}

// --- Failed answers ----------------------------------------------------------

TEST_F(SchedulingTest, RefusalsLeaveKeyMailSnapshotAndAppointmentAlone) {
  struct Case {
    const char* answer;
    std::vector<std::string> messages;
  } cases[] = {
      {R"({"code":-602,"data":{"meetingKey":"X","mailContent":"Y"}})", {"schedule refused"}},
      {R"({"code":-1,"data":{"meetingKey":"X","mailContent":"Y"}})", {}},
      {"", {"no answer"}},
      {"<html>gateway</html>", {"no answer"}},
      {"502 Bad Gateway", {"no answer"}},
      {R"({"code":0,"data":{"meetingKey":"X"}} trailing)", {"no answer"}},
      {R"({"code":"0","data":{"meetingKey":"X"}})", {"no answer"}},
      {R"({"code":0.7,"data":{"meetingKey":"X"}})", {"no answer"}},
      {R"({"code":true,"data":{"meetingKey":"X"}})", {"no answer"}},
      {R"({"code":0,"data":{"mailContent":"Y"}})", {"no answer"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer);
    SignedInRequest fresh;
    Appointment opened;
    opened.subject = "Old";
    fresh.load_existing("K-old", opened);
    Appointment changed;
    changed.subject = "Changed";
    fresh.load(changed);
    fresh.sink.subject = "Changed";
    fresh.fakes.transport.respond("GET", url("/rest/api/conference/schedule/K-old"),
                                  conferences(R"([{"id":"c-1"}])"));
    fresh.fakes.transport.respond("PUT", kSaveUrl, c.answer);

    EXPECT_EQ(fresh.request.commit(&fresh.sink, kCaller), Result::failed);
    EXPECT_EQ(fresh.fakes.ui.message_texts(), c.messages);
    EXPECT_EQ(fresh.request.meeting().meeting_key, "K-old");
    EXPECT_EQ(fresh.request.mail_body(), "");
    EXPECT_TRUE(fresh.request.meeting_info_changed());
    EXPECT_EQ(fresh.request.snapshot().subject, "Old");
    EXPECT_THAT(fresh.sink.calls, ElementsAre("get_subject", "get_subject"));
  }
}

TEST_F(SchedulingTest, FailedUpdateKeepsTheInvitationOfTheLastSuccessfulOne) {
  load();
  fakes.transport.respond("POST", kSaveUrl, saved("K", "first"));
  ASSERT_EQ(request.commit(&sink, kCaller), Result::ok);
  fakes.transport.respond("GET", url("/rest/api/conference/schedule/K"),
                          conferences(R"([{"id":"c-1"}])"));
  fakes.transport.respond("PUT", kSaveUrl, R"({"code":9})");
  EXPECT_EQ(request.commit(&sink, kCaller), Result::failed);
  EXPECT_EQ(request.mail_body(), "first");
}

// --- Update and the schedule lookup ------------------------------------------

TEST_F(SchedulingTest, ExistingMeetingIsLookedUpThenUpdatedWithoutTheOptionsDialog) {
  load_existing("K-7");
  fakes.transport.respond("GET", url("/rest/api/conference/schedule/K-7"),
                          conferences(R"([{"id":"c-1","startDate":"2024-03-08"},{"id":"c-2"}])"));
  fakes.transport.respond("PUT", kSaveUrl, saved("K-7", "updated"));
  EXPECT_EQ(request.commit(&sink, kCaller), Result::ok);

  EXPECT_THAT(fakes.transport.calls(),
              ElementsAre("GET " + url("/rest/api/conference/schedule/K-7"), "PUT " + kSaveUrl));
  const ServiceRequest& lookup = fakes.transport.requests[0];
  EXPECT_EQ(lookup.header, "token:stored-tok");
  EXPECT_EQ(lookup.body, "");
  EXPECT_EQ(lookup.owner, FakeUserInterface::kMainWindow);
  const Json::Value body = body_of(fakes.transport.requests[1]);
  EXPECT_EQ(body["conferenceId"], "c-1");
  EXPECT_EQ(body["meetingKey"], "K-7");
  EXPECT_THAT(fakes.ui.dialogs, IsEmpty());
  EXPECT_EQ(request.mail_body(), "updated");
}

TEST_F(SchedulingTest, OccurrenceIsSavedSingleAndFoundByItsStartDate) {
  Appointment occurrence;
  occurrence.recurrence_state = 2;
  load_existing("K-7", occurrence);
  const std::string list =
      R"([{"id":"c-1","startDate":"2024-03-08"},{"id":"c-2","startDate":"2024-03-15"},)"
      R"({"id":"c-3","startDate":"2024-03-15"}])";
  fakes.transport.respond("GET", url("/rest/api/conference/schedule/K-7"), conferences(list));
  fakes.transport.respond("PUT", kSaveUrl + "/single", saved("K-7"));
  EXPECT_EQ(request.commit(&sink, kCaller), Result::ok);
  EXPECT_EQ(body_of(fakes.transport.requests.at(1))["conferenceId"], "c-2");

  // Moved on to the next day, it is still the service's occurrence of the
  // day it had there: that one moves.
  Appointment moved = occurrence;
  moved.recurrence_state = 3;
  moved.start = kMarch15At10 + 1;
  load(moved);
  fakes.transport.respond("GET", url("/rest/api/conference/schedule/K-7"), conferences(list));
  fakes.transport.respond("PUT", kSaveUrl + "/single", saved("K-7"));
  EXPECT_EQ(request.commit(&sink, kCaller), Result::ok);
  const Json::Value update = body_of(fakes.transport.requests.at(3));
  EXPECT_EQ(update["conferenceId"], "c-2");
  EXPECT_EQ(update["startDate"], "2024-03-16");

  // Moved once more, its occurrence is the one of the day the update took.
  moved.start += 1;
  load(moved);
  fakes.transport.respond("GET", url("/rest/api/conference/schedule/K-7"),
                          conferences(R"([{"id":"c-1","startDate":"2024-03-08"},)"
                                      R"({"id":"c-2","startDate":"2024-03-16"}])"));
  fakes.transport.respond("PUT", kSaveUrl + "/single", saved("K-7"));
  EXPECT_EQ(request.commit(&sink, kCaller), Result::ok);
  EXPECT_EQ(body_of(fakes.transport.requests.at(5))["conferenceId"], "c-2");

  // An exception opened on a day the service does not list is no conference
  // of the service's: nothing is sent for it.
  SignedInRequest fresh;
  fresh.load_existing("K-7", moved);
  fresh.fakes.transport.respond("GET", url("/rest/api/conference/schedule/K-7"), conferences(list));
  EXPECT_EQ(fresh.request.commit(&fresh.sink, kCaller), Result::failed);
  EXPECT_EQ(fresh.fakes.transport.requests.size(), 1u);
  EXPECT_THAT(fresh.fakes.ui.message_texts(), ElementsAre("meeting gone"));
}

// The lookup before an update: a PUT goes out only for a conference the
// service named, now or (when it refuses the lookup) before.
TEST_F(SchedulingTest, UpdateIsSentOnlyForAConferenceTheLookupNamed) {
  const std::string lookup_url = url("/rest/api/conference/schedule/K");
  struct Case {
    std::string lookup;
    std::vector<std::string> messages;
  } unsent[] = {
      {"", {"no answer"}},
      {"502 Bad Gateway", {"no answer"}},
      {R"({"code":0.5,"data":[{"id":"c-1"}]})", {"no answer"}},
      {R"({"code":0,"data":{"id":"c-1"}})", {"no answer"}},
      {R"({"code":0,"data":["c-1"]})", {"no answer"}},
      {conferences("[]"), {"meeting gone"}},
      {R"({"code":0})", {"meeting gone"}},
      {conferences(R"([{"id":""}])"), {"meeting gone"}},
      {R"({"code":500,"data":[{"id":"c-9"}]})", {}},
  };
  for (const Case& c : unsent) {
    SCOPED_TRACE(c.lookup);
    SignedInRequest fresh;
    fresh.load_existing("K");
    fresh.fakes.transport.respond("GET", lookup_url, c.lookup);
    EXPECT_EQ(fresh.request.commit(&fresh.sink, kCaller), Result::failed);
    EXPECT_THAT(fresh.fakes.transport.calls(), ElementsAre("GET " + lookup_url));
    EXPECT_EQ(fresh.fakes.ui.message_texts(), c.messages);
    EXPECT_EQ(fresh.request.meeting().meeting_key, "K");
  }

  // A refused lookup leaves the identifier an earlier one found.
  load_existing("K");
  fakes.transport.respond("GET", lookup_url, conferences(R"([{"id":"c-1"}])"));
  fakes.transport.respond("GET", lookup_url, R"({"code":500,"data":[{"id":"c-9"}]})");
  std::vector<std::string> sent_ids;
  for (int i = 0; i < 2; ++i) {
    fakes.transport.respond("PUT", kSaveUrl, saved("K"));
    EXPECT_EQ(request.commit(&sink, kCaller), Result::ok);
    sent_ids.push_back(body_of(fakes.transport.requests.back())["conferenceId"].asString());
  }
  EXPECT_THAT(sent_ids, ElementsAre("c-1", "c-1"));
}

// The stored record carries the meeting's password and host: an update
// keeps both, takes the service's password for a record from before
// passwords were kept, and nothing goes for a meeting of another account or
// while the signed-in user is unknown.
TEST_F(SchedulingTest, UpdateKeepsPasswordAndHostAndActsOnlyForItsHost) {
  const std::string lookup_url = url("/rest/api/conference/schedule/K");
  struct Case {
    std::string host, password, lookup_password, sent_password;
  } kept[] = {
      {"u-alice", "0427", "", "0427"},
      {"u-alice", "0427", "9999", "0427"},
      {"", "", "5555", "5555"},  // a record from before: the service's password
      {"", "", "", ""},          // ... or, without one, none as before
      {"u-alice", "", "5555", ""},  // the user took the password away
  };
  for (const Case& c : kept) {
    SCOPED_TRACE(c.host + "/" + c.password + "/" + c.lookup_password);
    SignedInRequest fresh;
    fresh.load_existing("K", {}, c.host, c.password);
    fresh.fakes.transport.respond(
        "GET", lookup_url,
        conferences(R"([{"id":"c-1","password":")" + c.lookup_password + R"("}])"));
    fresh.fakes.transport.respond("PUT", kSaveUrl, saved("K"));
    ASSERT_EQ(fresh.request.commit(&fresh.sink, kCaller), Result::ok);
    const Json::Value body = body_of(fresh.fakes.transport.requests.back());
    EXPECT_EQ(body["hostUserId"], "u-alice");
    EXPECT_EQ(body["hostUserName"], "Alice");
    EXPECT_EQ(body.get("password", "").asString(), c.sent_password);
    EXPECT_EQ(body.isMember("password"), !c.sent_password.empty());
    records::SettingsRecord stored;
    records::read_settings_record(fresh.request.settings_record(), stored);
    EXPECT_EQ(stored.host_user_id, "u-alice");
    EXPECT_EQ(stored.password, c.sent_password);
  }

  // Bob's meeting, Alice signed in: neither an update nor a deletion goes.
  load_existing("K", {}, "u-bob", "0427");
  EXPECT_EQ(request.commit(&sink, kCaller), Result::failed);
  EXPECT_EQ(request.remove(kCaller), Result::failed);
  EXPECT_THAT(fakes.transport.calls(), IsEmpty());
  EXPECT_EQ(fakes.ui.message_texts(), (std::vector<std::string>{"other account", "other account"}));
  EXPECT_EQ(request.meeting().meeting_key, "K");

  // The user refresh got no answer: an update would carry no host.
  SignedInRequest unknown;
  unknown.request.set_settings(true, R"({"MeetingKey":"K","Subject":"S","Duration":30})", "");
  EXPECT_EQ(unknown.request.commit(&unknown.sink, kCaller), Result::failed);
  EXPECT_THAT(unknown.fakes.transport.calls(), IsEmpty());
  EXPECT_EQ(unknown.fakes.ui.message_texts(), std::vector<std::string>{"no answer"});
}

// --- Delete ------------------------------------------------------------------

TEST_F(SchedulingTest, DeleteLooksUpTheConferenceAndForgetsTheKeyWhateverTheAnswer) {
  // As the add-in deletes: the item was opened, then the refresh, then the
  // appointment read again.
  load_existing("K-7");
  fakes.transport.respond(
      "GET", url("/rest/api/conference/user/info"),
      R"({"code":0,"data":{"id":"u","name":"Alice","token":"user-tok","meetingKey":"r"}})");
  ASSERT_EQ(request.simple_update(), Result::ok);
  load();
  fakes.transport.respond("GET", url("/rest/api/conference/schedule/K-7"),
                          conferences(R"([{"id":"c-5"}])"));
  EXPECT_EQ(request.remove(kCaller), Result::ok);

  ASSERT_EQ(fakes.transport.requests.size(), 3u);
  const ServiceRequest& removal = fakes.transport.requests[2];
  EXPECT_EQ(removal.method, "DELETE");
  EXPECT_EQ(removal.url, url("/rest/api/conference/schedule?id=c-5&type=1"));
  EXPECT_EQ(removal.header, "token:user-tok");
  EXPECT_EQ(removal.body, "");
  EXPECT_EQ(removal.owner, kCaller);
  EXPECT_EQ(request.meeting().meeting_key, "");
  EXPECT_TRUE(request.meeting_info_changed());
}

TEST_F(SchedulingTest, DeletingAnOccurrenceAddressesOnlyThatOccurrence) {
  Appointment occurrence;
  occurrence.recurrence_state = 3;
  load_existing("K-7", occurrence);
  fakes.transport.respond(
      "GET", url("/rest/api/conference/schedule/K-7"),
      conferences(
          R"([{"id":"c-1","startDate":"2024-03-08"},{"id":"c-2","startDate":"2024-03-15"}])"));
  request.remove(kCaller);
  EXPECT_EQ(fakes.transport.requests.at(1).url, url("/rest/api/conference/schedule?id=c-2&type=0"));
}

// The key is all that links the appointment to the service's meeting: it
// goes only with the conference, or when the service no longer has one.
TEST_F(SchedulingTest, DeleteSendsNothingUnlessTheLookupNamesTheConference) {
  const std::string lookup_url = url("/rest/api/conference/schedule/K");
  struct Case {
    std::string lookup;
    Result result;
    std::vector<std::string> messages;
    std::string key_after;
  } cases[] = {
      {"", Result::failed, {"no answer"}, "K"},
      {"<html>gateway</html>", Result::failed, {"no answer"}, "K"},
      {R"({"code":0,"data":[{"id":"c-1"}]} {})", Result::failed, {"no answer"}, "K"},
      {R"({"code":0,"data":"c-1"})", Result::failed, {"no answer"}, "K"},
      {R"({"code":500})", Result::failed, {}, "K"},
      {conferences("[]"), Result::ok, {}, ""},
      {conferences(R"([{"startDate":"2024-03-15"}])"), Result::ok, {}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lookup);
    SignedInRequest fresh;
    fresh.load_existing("K");
    fresh.fakes.transport.respond("GET", lookup_url, c.lookup);
    EXPECT_EQ(fresh.request.remove(kCaller), c.result);
    EXPECT_THAT(fresh.fakes.transport.calls(), ElementsAre("GET " + lookup_url));
    EXPECT_EQ(fresh.fakes.ui.message_texts(), c.messages);
    EXPECT_EQ(fresh.request.meeting().meeting_key, c.key_after);
  }

  // A refused lookup after one that found the conference deletes that one.
  load_existing("K");
  fakes.transport.respond("GET", lookup_url, conferences(R"([{"id":"c-1"}])"));
  fakes.transport.respond("PUT", kSaveUrl, saved("K"));
  ASSERT_EQ(request.commit(&sink, kCaller), Result::ok);
  fakes.transport.respond("GET", lookup_url, R"({"code":500})");
  EXPECT_EQ(request.remove(kCaller), Result::ok);
  EXPECT_EQ(fakes.transport.calls().back(),
            "DELETE " + url("/rest/api/conference/schedule?id=c-1&type=1"));
  EXPECT_EQ(request.meeting().meeting_key, "");
}

// Without an active window (an appointment window closing, another program
// in front) the lookups, the update and the deletion are still sent: over
// the host's foreground window, or else without an owner, and so is the
// warning that tells why one failed.
TEST_F(SchedulingTest, RequestsWithoutAnActiveWindowAreStillSent) {
  constexpr WindowHandle kGoneWindow = 0x7777;
  const std::string lookup_url = url("/rest/api/conference/schedule/K");
  const std::string delete_url = url("/rest/api/conference/schedule?id=c-5&type=1");
  const std::pair<WindowHandle, WindowHandle> foreground_and_owner[] = {
      {FakeUserInterface::kMainWindow, FakeUserInterface::kMainWindow},
      {FakeUserInterface::kOtherProgram, 0},
      {0, 0},
  };
  for (const auto& [foreground, owner] : foreground_and_owner) {
    SCOPED_TRACE(foreground);
    SignedInRequest fresh;
    fresh.fakes.ui.active = 0;
    fresh.fakes.ui.foreground = foreground;
    fresh.load_existing("K");
    FakeTransport& service = fresh.fakes.transport;
    service.respond("GET", lookup_url, conferences(R"([{"id":"c-5"}])"));
    service.respond("PUT", kSaveUrl, saved("K"));
    EXPECT_EQ(fresh.request.commit(&fresh.sink, kGoneWindow), Result::ok);
    service.respond("GET", lookup_url, conferences(R"([{"id":"c-5"}])"));
    EXPECT_EQ(fresh.request.remove(kGoneWindow), Result::ok);

    EXPECT_THAT(service.calls(), ElementsAre("GET " + lookup_url, "PUT " + kSaveUrl,
                                             "GET " + lookup_url, "DELETE " + delete_url));
    EXPECT_EQ(service.requests[0].owner, owner);
    // The save too: another program's window is never an owner.
    EXPECT_EQ(service.requests[1].owner, owner);
    EXPECT_EQ(service.requests[2].owner, owner);
    EXPECT_EQ(service.requests[3].owner, owner);

    fresh.load_existing("K");
    EXPECT_EQ(fresh.request.remove(kGoneWindow), Result::failed);
    ASSERT_EQ(fresh.fakes.ui.messages.size(), 1u);
    EXPECT_EQ(fresh.fakes.ui.messages[0].text, "no answer");
    EXPECT_EQ(fresh.fakes.ui.messages[0].owner, owner);
  }
}

TEST_F(SchedulingTest, DeleteOfAMeetingWithoutKeySendsNothing) {
  load();
  EXPECT_EQ(request.remove(kCaller), Result::ok);
  EXPECT_THAT(fakes.transport.requests, IsEmpty());
}

}  // namespace
}  // namespace mivo::testing

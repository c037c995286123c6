// The request object's records and its dialog methods: what SetSettings
// loads where, the change flag, the mail body, and the results of the
// dialogs, with and without a window to own them.
#include "request_test_support.h"

#include "records/settings_record.h"

namespace mivo::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

using MeetingRequestTest = RequestTest;

TEST_F(MeetingRequestTest, StoredSettingsRecordSeedsBothRecordsAndTheAppointmentOnlyTheCurrent) {
  Appointment opened;
  opened.subject = "Weekly";
  load_existing("K-1", opened);
  EXPECT_FALSE(request.meeting_info_changed());
  EXPECT_EQ(request.meeting().meeting_key, "K-1");

  Appointment edited = opened;
  edited.subject = "Weekly (moved)";
  load(edited);
  EXPECT_TRUE(request.meeting_info_changed());
  EXPECT_EQ(request.snapshot().subject, "Weekly");

  load(opened);
  EXPECT_FALSE(request.meeting_info_changed());
}

TEST_F(MeetingRequestTest, ShortTextsAreNoRecords) {
  load_existing("K-1");
  request.set_settings(true, "{}", "{}");
  EXPECT_EQ(request.meeting().meeting_key, "K-1");
  EXPECT_EQ(request.current().subject, "Planning");
}

TEST_F(MeetingRequestTest, MailBodyIsEmptyUntilSavedAndTheSettingsRecordCarriesTheKey) {
  load_existing("K-1");
  EXPECT_EQ(request.mail_body(), "");
  records::SettingsRecord reread;
  records::read_settings_record(request.settings_record(), reread);
  EXPECT_EQ(reread.meeting_key, "K-1");
  EXPECT_EQ(reread.subject, "Planning");
}

// What the change flag compares, and what a stored meeting brings along: the
// draft and the key, nothing the object learnt of an earlier meeting.
TEST_F(MeetingRequestTest, AStoredMeetingStartsAfreshWithOnlyItsDraftAndKey) {
  Appointment occurrence;
  occurrence.recurrence_state = 2;
  load(occurrence);
  fakes.transport.respond("POST", url("/rest/api/conference/schedule/single"),
                          R"({"code":0,"data":{"meetingKey":"K-1","mailContent":"Join"}})");
  ASSERT_EQ(request.commit(&sink, 0), Result::ok);
  EXPECT_FALSE(request.meeting_info_changed());
  EXPECT_EQ(request.mail_body(), "Join");
  EXPECT_EQ(request.user().token, "stored-tok");

  request.set_settings(
      true, R"({"MeetingKey":"K-2","Subject":"Stored","Duration":30,"Start":45366.5})", "");
  EXPECT_FALSE(request.meeting_info_changed());
  EXPECT_EQ(request.meeting().meeting_key, "K-2");
  EXPECT_EQ(request.mail_body(), "");
  EXPECT_EQ(request.user().token, "");
  EXPECT_EQ(request.current().subject, "Stored");

  // The item's occurrence state went with the earlier meeting: the update,
  // after the user refresh the add-in runs first, addresses the whole
  // meeting.
  fakes.transport.respond("GET", url("/rest/api/conference/user/info"),
                          R"({"code":0,"data":{"id":"u","name":"A","token":"t"}})");
  ASSERT_EQ(request.simple_update(), Result::ok);
  fakes.transport.respond("GET", url("/rest/api/conference/schedule/K-2"),
                          R"({"code":0,"data":[{"id":"c-2"}]})");
  fakes.transport.respond("PUT", url("/rest/api/conference/schedule"),
                          R"({"code":0,"data":{"meetingKey":"K-2","mailContent":"Moved"}})");
  EXPECT_EQ(request.commit(&sink, 0), Result::ok);
  EXPECT_EQ(fakes.transport.requests.back().url, url("/rest/api/conference/schedule"));

  // The conference is gone: the key is forgotten, and that is a change.
  fakes.transport.respond("GET", url("/rest/api/conference/schedule/K-2"),
                          R"({"code":0,"data":[]})");
  ASSERT_EQ(request.remove(0), Result::ok);
  EXPECT_EQ(request.meeting().meeting_key, "");
  EXPECT_TRUE(request.meeting_info_changed());
}

// The refresh before a meeting operation must name somebody: without a user
// read now or earlier the operation stops, and says why when nothing else
// did. A user read earlier under the sign-in still stored stands in for an
// unanswered refresh.
TEST_F(MeetingRequestTest, RefreshThatReadsNobodyStopsTheOperation) {
  const std::string info = url("/rest/api/conference/user/info");
  for (const char* answer : {"", "<html>502 Bad Gateway</html>"}) {
    SCOPED_TRACE(answer);
    SignedInRequest first_use;
    first_use.fakes.transport.respond("GET", info, answer);
    EXPECT_EQ(first_use.request.simple_update(), Result::failed);
    EXPECT_THAT(first_use.fakes.ui.message_texts(), ElementsAre("no answer"));

    first_use.fakes.transport.respond(
        "GET", info, R"({"code":0,"data":{"id":"u","name":"A","token":"stored-tok"}})");
    ASSERT_EQ(first_use.request.simple_update(), Result::ok);
    first_use.fakes.transport.respond("GET", info, answer);
    EXPECT_EQ(first_use.request.simple_update(), Result::ok);
    EXPECT_EQ(first_use.request.user().host_user_id, "u");
    EXPECT_EQ(first_use.fakes.ui.message_texts().size(), 1u);

    // Once somebody else has signed in, the user read before no longer
    // stands in: a removal would go out for a user who is signed out.
    first_use.fakes.store.values["mivotoken"] = "bob-tok";
    EXPECT_EQ(first_use.request.simple_update(), Result::failed);
    EXPECT_EQ(first_use.fakes.ui.message_texts().size(), 2u);
    EXPECT_EQ(first_use.fakes.ui.message_texts().back(), "no answer");
  }

  // A sign-in the user cancelled (the organisation chooser) says nothing more.
  SignedInRequest chooser;
  chooser.fakes.store.values.erase("mivotoken");
  chooser.fakes.transport.respond(
      "POST", url("/rest/login"),
      R"({"code":0,"data":{"id":"u","name":"A","token":"login","accountList":[{"id":"1","orgName":"X"},{"id":"2","orgName":"Y"}]}})");
  chooser.fakes.ui.tenancy = FakeUserInterface::cancel_chooser();
  EXPECT_EQ(chooser.request.simple_update(), Result::failed);
  EXPECT_THAT(chooser.fakes.ui.messages, IsEmpty());
}

TEST_F(MeetingRequestTest, DialogResultsMapToTheMethodResults) {
  fakes.ui.about = [] { return 1; };
  EXPECT_EQ(request.about(), Result::ok);
  fakes.ui.about = [] { return 0; };  // closed from the title bar
  EXPECT_EQ(request.about(), Result::failed);

  fakes.ui.meeting = FakeUserInterface::cancel_options();
  EXPECT_EQ(request.settings_do_modal(), Result::failed);
  fakes.ui.meeting = fakes.ui.press_ok(false, {"1234"});
  EXPECT_EQ(request.settings_do_modal(), Result::ok);
  EXPECT_EQ(request.current().password, "1234");
  EXPECT_FALSE(request.current().mute_on_entry);
  EXPECT_TRUE(request.meeting_info_changed());

  fakes.ui.cancellation = [](const std::function<void()>&) { return 2; };
  EXPECT_EQ(request.cancellation(), Result::not_confirmed);
  EXPECT_EQ(request.account_setting(), Result::not_confirmed);
  for (const ShownDialog& dialog : fakes.ui.dialogs) {
    EXPECT_EQ(dialog.owner, FakeUserInterface::kMainWindow) << dialog.name;
  }
}

TEST_F(MeetingRequestTest, WithoutAnActiveWindowNoDialogAppearsAndNothingIsConfirmed) {
  fakes.ui.active = 0;
  EXPECT_EQ(request.about(), Result::failed);
  EXPECT_EQ(request.settings_do_modal(), Result::failed);
  EXPECT_EQ(request.account_setting(), Result::not_confirmed);
  EXPECT_EQ(request.cancellation(), Result::not_confirmed);
  EXPECT_THAT(fakes.ui.dialogs, IsEmpty());
  EXPECT_TRUE(fakes.store.has("mivotoken"));
}

}  // namespace
}  // namespace mivo::testing

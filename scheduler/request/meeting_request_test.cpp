// The request object's records and its dialog methods: what SetSettings
// loads where, the change flag, the mail body, and the results of the
// dialogs, with and without a window to own them.
#include "request_test_support.h"

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
  EXPECT_EQ(request.current().meeting_key, "K-1");

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
  EXPECT_EQ(request.current().meeting_key, "K-1");
  EXPECT_EQ(request.current().subject, "Planning");
}

TEST_F(MeetingRequestTest, MailBodyIsEmptyUntilSavedAndTheSettingsRecordCarriesTheKey) {
  load_existing("K-1");
  EXPECT_EQ(request.mail_body(), "");
  CMeetingInfo reread;
  reread.read_settings_record(request.settings_record());
  EXPECT_EQ(reread.meeting_key, "K-1");
  EXPECT_EQ(reread.subject, "Planning");
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

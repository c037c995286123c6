// Ribbon ids, resources and visibility.
#include "ribbon_controls.h"

#include <gtest/gtest.h>

namespace mivo::addin {
namespace {

TEST(RibbonCommand, EveryPlacementOfAMainWindowButtonRunsTheSameCommand) {
  for (const char* prefix : {"MIVO-00_", "MIVO-01_", "MIVO-02_"}) {
    const std::string p = prefix;
    EXPECT_EQ(RibbonCommand::new_online_meeting, ribbon_command(p + "ScheduleMeeting"));
    EXPECT_EQ(RibbonCommand::new_online_meeting, ribbon_command(p + "ScheduleOnlineMeeting"));
    EXPECT_EQ(RibbonCommand::sign_in, ribbon_command(p + "AccountSetting"));
    EXPECT_EQ(RibbonCommand::sign_out, ribbon_command(p + "Cancellation"));
    EXPECT_EQ(RibbonCommand::about, ribbon_command(p + "AboutDlg"));
    EXPECT_EQ(RibbonCommand::instant_meeting, ribbon_command(p + "StartInstantMeeting"));
    EXPECT_EQ(RibbonCommand::instant_meeting, ribbon_command(p + "StartVideoMeeting"));
  }
  EXPECT_EQ(RibbonCommand::sign_in, ribbon_command("MIVO-03_AccountSetting"));
  EXPECT_EQ(RibbonCommand::sign_out, ribbon_command("MIVO-03_Cancellation"));
  EXPECT_EQ(RibbonCommand::tracker_add, ribbon_command("Mivo-03_Add"));
  EXPECT_EQ(RibbonCommand::tracker_cancel, ribbon_command("Mivo-03_Cancel"));
  EXPECT_EQ(RibbonCommand::tracker_setting, ribbon_command("Mivo-03_Setting"));
  EXPECT_EQ(RibbonCommand::tracker_group, ribbon_command("Mivo-03_Group"));
}

TEST(RibbonCommand, IdsMatchExactlyAndTheAppointmentPrefixHasNoMainWindowCommands) {
  EXPECT_EQ(RibbonCommand::none, ribbon_command("MIVO-03_ScheduleMeeting"));
  EXPECT_EQ(RibbonCommand::none, ribbon_command("MIVO-03_AboutDlg"));
  EXPECT_EQ(RibbonCommand::none, ribbon_command("mivo-00_AccountSetting"));
  EXPECT_EQ(RibbonCommand::none, ribbon_command("MIVO-03_Add"));
  EXPECT_EQ(RibbonCommand::none, ribbon_command("MIVO-00_accountsetting"));
  EXPECT_EQ(RibbonCommand::none, ribbon_command("MIVO-00_AccountSetting "));
  EXPECT_EQ(RibbonCommand::none, ribbon_command("MIVO-00_"));
  EXPECT_EQ(RibbonCommand::none, ribbon_command(""));
}

TEST(RibbonResources, RibbonIdsAndPictureNamesIgnoreCase) {
  EXPECT_EQ(102, ribbon_xml_resource("microsoft.outlook.explorer"));
  EXPECT_EQ(116, ribbon_xml_resource("Microsoft.Outlook.Appointment"));
  EXPECT_EQ(std::nullopt, ribbon_xml_resource("Microsoft.Outlook.Mail.Read"));
  EXPECT_EQ(std::nullopt, ribbon_xml_resource("Microsoft.Outlook.Explorer2"));

  EXPECT_EQ(139, image_bitmap("attend_meeting_btn"));
  EXPECT_EQ(140, image_bitmap("schedule_meeting_btn"));
  EXPECT_EQ(141, image_bitmap("Onling_Meeting_Btn"));
  EXPECT_EQ(142, image_bitmap("SETUP_MEETING_BTN"));
  EXPECT_EQ(std::nullopt, image_bitmap("Online_Meeting_Btn"));
}

TEST(RibbonResources, MarkupEndsAtItsLastClosingBracket) {
  EXPECT_EQ(u"<customUI/>", ribbon_markup(std::u16string(u"<customUI/>\0\0", 13)));
  EXPECT_EQ(u"<a>b</a>", ribbon_markup(u"<a>b</a>\r\n"));
  EXPECT_EQ(u"", ribbon_markup(u"no markup"));
}

TEST(ControlVisible, SignInAndSignOutButtonsFollowTheSignInState) {
  SignInState state;
  for (int placement = 0; placement <= 3; ++placement) {
    EXPECT_TRUE(control_visible(control::sign_in(placement), state, std::nullopt, false));
    // Signed out from the start: the sign-out buttons keep what Office has.
    EXPECT_TRUE(control_visible(control::sign_out(placement), state, std::nullopt, true));
    EXPECT_FALSE(control_visible(control::sign_out(placement), state, std::nullopt, false));
  }
  state.signed_in();
  EXPECT_FALSE(control_visible("MIVO-01_AccountSetting", state, std::nullopt, true));
  EXPECT_TRUE(control_visible("MIVO-01_Cancellation", state, std::nullopt, false));
  state.signed_out();
  EXPECT_TRUE(control_visible("MIVO-02_AccountSetting", state, std::nullopt, false));
  EXPECT_TRUE(control_visible("MIVO-00_ScheduleMeeting", state, std::nullopt, true));
}

TEST(ControlVisible, AppointmentButtonsFollowTheTrackedMeeting) {
  SignInState signed_in;
  signed_in.signed_in();
  const TrackedAppointment plain{false, false};
  const TrackedAppointment online{false, true};
  EXPECT_TRUE(control_visible(control::kAdd, signed_in, plain, false));
  EXPECT_FALSE(control_visible(control::kCancel, signed_in, plain, true));
  EXPECT_FALSE(control_visible(control::kAdd, signed_in, online, true));
  EXPECT_TRUE(control_visible(control::kCancel, signed_in, online, false));
  EXPECT_TRUE(control_visible(control::kSetting, signed_in, online, false));
  EXPECT_TRUE(control_visible(control::kGroup, signed_in, plain, false));
  EXPECT_TRUE(control_visible(control::kAppointmentSignOut, signed_in, plain, false));
  EXPECT_FALSE(control_visible(control::kAppointmentSignIn, signed_in, plain, true));
  // Controls of no rule are hidden in a tracked window.
  EXPECT_FALSE(control_visible("Mivo-03_Other", signed_in, plain, true));
  // A window without a tracker keeps what Office passed.
  EXPECT_FALSE(control_visible(control::kAdd, signed_in, std::nullopt, false));
}

TEST(ControlVisible, DeletedItemsHideTheMeetingButtonsButNotSignIn) {
  const TrackedAppointment deleted{true, true};
  const SignInState signed_out;
  for (const char* id : {control::kAdd, control::kCancel, control::kSetting, control::kGroup,
                         control::kAppointmentSignOut})
    EXPECT_FALSE(control_visible(id, signed_out, deleted, true)) << id;
  EXPECT_TRUE(control_visible(control::kAppointmentSignIn, signed_out, deleted, false));
}

}  // namespace
}  // namespace mivo::addin

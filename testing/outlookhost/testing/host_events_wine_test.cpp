// Outlook's events as the test add-in receives them: their order when a
// window opens, sends, closes and deletes, and Cancel honoured where
// Outlook honours it.
#include <gtest/gtest.h>

#include "dialog_robot.h"
#include "com/testing/apartment.h"
#include "host_test_support.h"
#include "host_windows.h"
#include "outlook_host.h"

namespace mivo::outlookhost {
namespace {

using namespace testing;

class HostEvents : public ::testing::Test {
 protected:
  void SetUp() override {
    keys_.register_for_user();
    host_.start();
  }

  // A new meeting with one attendee, open in its window.
  inspector_object& open_meeting() {
    std::string error;
    EXPECT_TRUE(host_.press(host_.explorer_window(), kNewMeetingButton, error)) << error;
    inspector_object& inspector = *host_.outlook().open_inspectors().back();
    inspector.item().set_subject(L"Review");
    inspector.item().add_recipient(L"alice@example.com", olRequired);
    clear_addin_log();
    return inspector;
  }

  bool send(inspector_object& inspector) {
    std::string error;
    return host_.press(inspector.window, kSendButton, error);
  }

  com::testing::com_apartment com_;
  TestAddinKeys keys_;
  outlook_host host_;
};

TEST_F(HostEvents, OpeningAWindowRaisesNewInspectorThenOpenThenActivate) {
  clear_addin_log();
  std::string error;
  ASSERT_TRUE(host_.press(host_.explorer_window(), kNewMeetingButton, error)) << error;
  EXPECT_EQ(
      "Inspectors.NewInspector\n"
      "Item.Open\n"
      "GetCustomUI Microsoft.Outlook.Appointment\n"
      "OnLoad\n"
      "LoadImage byref Switch\n"
      "GetVisible Test_Switch\n"
      "GetVisible Test_Shown\n"
      "Inspector.Activate\n",
      addin_log());
  EXPECT_NE(nullptr, host_.outlook().open_inspectors().at(0)->window);
}

TEST_F(HostEvents, OpenCancelledShowsNoWindow) {
  Environment cancel(L"MIVO_TEST_ADDIN_CANCEL", L"Open");
  std::string error;
  ASSERT_TRUE(host_.press(host_.explorer_window(), kNewMeetingButton, error)) << error;
  EXPECT_TRUE(host_.outlook().open_inspectors().empty());
}

TEST_F(HostEvents, SendGoesOutAfterSendAndItemSendThenSavesAndCloses) {
  inspector_object& inspector = open_meeting();
  com::com_ptr<item_base> item(&inspector.item());
  ASSERT_TRUE(send(inspector));
  EXPECT_EQ("Item.Send\nApplication.ItemSend\nItem.Write\nItem.Close\nInspector.Close\n",
            addin_log());
  ASSERT_EQ(1u, host_.outlook().sent().size());
  EXPECT_EQ(L"IPM.Schedule.Meeting.Request", host_.outlook().sent()[0].message_class);
  EXPECT_EQ(std::vector<std::wstring>{L"alice@example.com"}, host_.outlook().sent()[0].to);
  EXPECT_TRUE(host_.outlook().open_inspectors().empty());
  EXPECT_TRUE(item->saved_once());
}

TEST_F(HostEvents, SendCancelledByTheItemOrByItemSendStaysUnsentInItsOpenWindow) {
  inspector_object& inspector = open_meeting();
  {
    Environment cancel(L"MIVO_TEST_ADDIN_CANCEL", L"Send");
    ASSERT_TRUE(send(inspector));
    EXPECT_EQ("Item.Send\n", addin_log());
  }
  clear_addin_log();
  {
    Environment cancel(L"MIVO_TEST_ADDIN_CANCEL", L"ItemSend");
    ASSERT_TRUE(send(inspector));
    EXPECT_EQ("Item.Send\nApplication.ItemSend\n", addin_log());
  }
  EXPECT_TRUE(host_.outlook().sent().empty());
  EXPECT_EQ(1u, host_.outlook().open_inspectors().size());
  EXPECT_FALSE(inspector.item().saved_once());
}

TEST_F(HostEvents, ClosingAChangedItemAsksAndDiscardingGoesBackToTheSavedItem) {
  inspector_object& inspector = open_meeting();
  com::com_ptr<item_base> item(&inspector.item());
  ASSERT_TRUE(host_.outlook().save(*item));
  item->set_subject(L"Changed");
  clear_addin_log();
  robot::DialogRobot robot;
  robot.expect_message_box().read_text().answer(IDNO);
  SendMessageW(inspector.window, WM_CLOSE, 0, 0);
  ASSERT_TRUE(robot.wait()) << robot.report();
  EXPECT_NE(std::wstring::npos, robot.result(0).message_text.find(L"save changes"));
  EXPECT_EQ("Item.Close\nInspector.Close\n", addin_log());
  EXPECT_EQ(L"Review", item->fields().subject);
  EXPECT_TRUE(host_.outlook().open_inspectors().empty());
}

TEST_F(HostEvents, CancelInItemCloseKeepsTheWindowOpen) {
  inspector_object& inspector = open_meeting();
  Environment cancel(L"MIVO_TEST_ADDIN_CANCEL", L"Close");
  robot::DialogRobot robot;  // no question may come: the close stops first
  SendMessageW(inspector.window, WM_CLOSE, 0, 0);
  EXPECT_TRUE(robot.wait()) << robot.report();
  EXPECT_TRUE(robot.shown().empty());
  EXPECT_EQ(1u, host_.outlook().open_inspectors().size());
}

TEST_F(HostEvents, DeleteMovesToDeletedItemsUnlessBeforeDeleteIsCancelled) {
  inspector_object& inspector = open_meeting();
  com::com_ptr<item_base> item(&inspector.item());
  ASSERT_TRUE(host_.outlook().save(*item));
  clear_addin_log();
  {
    Environment cancel(L"MIVO_TEST_ADDIN_CANCEL", L"BeforeDelete");
    std::string error;
    ASSERT_TRUE(host_.press(inspector.window, kDeleteButton, error)) << error;
    EXPECT_EQ("Item.BeforeDelete\n", addin_log());
    EXPECT_EQ(folder_id::calendar, item->folder());
  }
  clear_addin_log();
  std::string error;
  ASSERT_TRUE(host_.press(inspector.window, kDeleteButton, error)) << error;
  EXPECT_EQ("Item.BeforeDelete\nItem.Close\nInspector.Close\n", addin_log());
  EXPECT_EQ(folder_id::deleted_items, item->folder());
}

TEST_F(HostEvents, InvalidateControlMakesTheRibbonAskAgainInEveryWindow) {
  inspector_object& inspector = open_meeting();
  const auto shown = [&](HWND window) {
    for (const auto& control : host_.ribbons().controls(window)) {
      if (control.id == "Test_Shown") return host_.ribbons().shown(window, control);
    }
    return false;
  };
  EXPECT_FALSE(shown(inspector.window));
  std::string error;
  ASSERT_TRUE(host_.click(inspector.window, "Test_Switch", error)) << error;
  host_.pump();
  EXPECT_TRUE(shown(inspector.window));
  EXPECT_TRUE(shown(host_.explorer_window()));
  EXPECT_FALSE(host_.click(host_.explorer_window(), "Test_Nothing", error));
}

// A ribbon takes no focus: names typed in an attendee field stay untaken
// through a click on an add-in's button, and are taken in once the field is
// left.
TEST_F(HostEvents, ARibbonClickLeavesTheAttendeeFieldAsItWas) {
  inspector_object& inspector = open_meeting();
  const HWND to = GetDlgItem(inspector.window, kToField);
  SetFocus(to);
  SetWindowTextW(to, L"alice@example.com; bob@example.com");
  const auto typed = [&] {
    std::vector<std::wstring> names;
    for (const auto& r : inspector.item().fields().recipients) names.push_back(r.typed);
    return names;
  };
  const std::vector<std::wstring> before = typed();
  std::string error;
  ASSERT_TRUE(host_.click(inspector.window, "Test_Switch", error)) << error;
  host_.pump();
  EXPECT_EQ(to, GetFocus());
  EXPECT_EQ(before, typed());
  SetFocus(GetDlgItem(inspector.window, kSubjectField));
  EXPECT_EQ(before.size() + 1, typed().size());
  EXPECT_EQ(L"bob@example.com", typed().back());
}

}  // namespace
}  // namespace mivo::outlookhost

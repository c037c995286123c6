// The scheduler's dialogs through the user-interface port, driven by the
// dialog robot: results, what the handlers receive, the meeting password
// rule, placement, fonts and pictures, and the owner rule.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "dialog_ports.h"
#include "dialog_robot.h"
#include "dialog_test_support.h"
#include "meeting/meeting_info.h"
#include "resource_ids.h"
#include "win/resource_library.h"
#include "win/wide_text.h"

using mivo::com::testing::owner_window;
using mivo::robot::DialogRobot;
using mivo::scheduler::testing::DialogLook;
using mivo::scheduler::testing::InitInspector;
using mivo::scheduler::testing::Picture;
using mivo::scheduler::testing::window_handle;

namespace {

// The texts these tests read are the Chinese ones, whatever the machine's
// language.
class SchedulerDialogs : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(mivo::scheduler::resource_library());
    mivo::scheduler::set_host_language(mivo::kChineseSimplified);
  }
  void TearDown() override { mivo::scheduler::set_host_language(0); }

  owner_window owner;
  std::unique_ptr<mivo::UserInterfacePort> ui = mivo::scheduler::make_user_interface();
};

struct SignInCall {
  mivo::WindowHandle dialog;
  std::string user_name;
  std::string password;
};

// Four digits from 1110 up.
bool is_new_password(const std::wstring& text) {
  if (text.size() != 4) return false;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return false;
  }
  return std::stoi(text) >= 1110;
}

// The dialog's rectangle relative to its own picture.
RECT inside(const RECT& control, const RECT& dialog) {
  return RECT{control.left - dialog.left, control.top - dialog.top, control.right - dialog.left,
              control.bottom - dialog.top};
}

LONG centre_x(const RECT& r) { return (r.left + r.right) / 2; }
LONG centre_y(const RECT& r) { return (r.top + r.bottom) / 2; }

}  // namespace

TEST_F(SchedulerDialogs, AboutEndsWithOkButIgnoresEscapeAndCancel) {
  DialogRobot robot;
  robot.expect_dialog(mivo::robot::kAboutDialog).escape().press(IDCANCEL).press(IDOK);
  EXPECT_EQ(ui->run_about(window_handle(owner.get())), 1);
  EXPECT_TRUE(robot.wait()) << robot.report();
}

TEST_F(SchedulerDialogs, AboutClosedFromItsTitleBarEndsWithZero) {
  DialogRobot robot;
  robot.expect_dialog(mivo::robot::kAboutDialog).close_box();
  EXPECT_EQ(ui->run_about(window_handle(owner.get())), 0);
  EXPECT_TRUE(robot.wait()) << robot.report();
  ASSERT_EQ(robot.dialogs().size(), 1u);
  EXPECT_EQ(robot.dialogs()[0].owner, owner.get());
}

TEST_F(SchedulerDialogs, AccountDialogShowsTheServiceReadOnlyAndStaysOpenUntilTheSignInSucceeds) {
  std::vector<SignInCall> calls;
  bool site_read_only = false;
  DialogRobot robot;
  robot.expect_dialog(mivo::robot::kAccountDialog)
      .read(IDC_ACCOUNT_SITE)
      .read(IDC_ACCOUNT_USERNAME)
      .read(IDC_ACCOUNT_PASSWORD)
      .set_text(IDC_ACCOUNT_USERNAME, L"李雷")
      .set_text(IDC_ACCOUNT_PASSWORD, L"密码123")
      .press(IDOK);
  // Still there after the refused sign-in, fields as they were.
  robot.expect_dialog(mivo::robot::kAccountDialog)
      .read(IDC_ACCOUNT_USERNAME)
      .read(IDC_ACCOUNT_PASSWORD)
      .press(IDOK);
  const int result = ui->run_account_setting(
      window_handle(owner.get()), "https://会议.example:8443",
      [&](mivo::WindowHandle dialog, const std::string& user_name, const std::string& password) {
        calls.push_back({dialog, user_name, password});
        const HWND site = GetDlgItem(reinterpret_cast<HWND>(dialog), IDC_ACCOUNT_SITE);
        site_read_only = (GetWindowLongW(site, GWL_STYLE) & ES_READONLY) != 0;
        return calls.size() == 2;
      });
  ASSERT_TRUE(robot.wait()) << robot.report();
  EXPECT_EQ(result, 1);

  const auto opened = robot.result(0).controls;
  EXPECT_EQ(opened.at(IDC_ACCOUNT_SITE).text, L"https://会议.example:8443");
  EXPECT_TRUE(site_read_only);
  EXPECT_EQ(opened.at(IDC_ACCOUNT_USERNAME).text, L"");
  EXPECT_EQ(opened.at(IDC_ACCOUNT_PASSWORD).text, L"");
  const auto refused = robot.result(1).controls;
  EXPECT_EQ(refused.at(IDC_ACCOUNT_USERNAME).text, L"李雷");
  EXPECT_EQ(refused.at(IDC_ACCOUNT_PASSWORD).text, L"密码123");
  ASSERT_EQ(calls.size(), 2u);
  for (const SignInCall& call : calls) {
    EXPECT_EQ(call.dialog, reinterpret_cast<mivo::WindowHandle>(robot.result(0).window));
    EXPECT_EQ(call.user_name, "李雷");
    EXPECT_EQ(call.password, "密码123");
  }
}

TEST_F(SchedulerDialogs, AccountDialogCancelAndCloseBoxEndWithTwoWithoutSigningIn) {
  int calls = 0;
  const auto sign_in = [&](auto, auto&, auto&) { return ++calls > 0; };
  DialogRobot robot;
  robot.expect_dialog(mivo::robot::kAccountDialog)
      .set_text(IDC_ACCOUNT_USERNAME, L"alice")
      .press(IDCANCEL)
      .wait_closed();
  robot.expect_dialog(mivo::robot::kAccountDialog).close_box();
  EXPECT_EQ(ui->run_account_setting(window_handle(owner.get()), "", sign_in), 2);
  EXPECT_EQ(ui->run_account_setting(window_handle(owner.get()), "", sign_in), 2);
  EXPECT_TRUE(robot.wait()) << robot.report();
  EXPECT_EQ(calls, 0);
}

TEST_F(SchedulerDialogs, MeetingOptionsRefuseALetterAndFiveDigitsWithAMessageAndANewPassword) {
  mivo::CMeetingInfo record;
  DialogRobot robot;
  robot.expect_dialog(mivo::robot::kMeetingDialog)
      .set_text(IDC_MEETING_PASSWORD, L"12a4")
      .press(IDOK);
  robot.expect_message_box().answer(IDOK);
  robot.expect_dialog(mivo::robot::kMeetingDialog)
      .read(IDC_MEETING_PASSWORD)
      .set_text(IDC_MEETING_PASSWORD, L"12345")
      .press(IDOK);
  robot.expect_message_box().answer(IDOK);
  robot.expect_dialog(mivo::robot::kMeetingDialog).read(IDC_MEETING_PASSWORD).press(IDCANCEL);

  EXPECT_EQ(ui->run_meeting_setting(window_handle(owner.get()), record), 2);
  ASSERT_TRUE(robot.wait()) << robot.report();

  const std::wstring after_letter = robot.result(2).controls.at(IDC_MEETING_PASSWORD).text;
  const std::wstring after_digits = robot.result(4).controls.at(IDC_MEETING_PASSWORD).text;
  EXPECT_TRUE(is_new_password(after_letter)) << after_letter;
  EXPECT_TRUE(is_new_password(after_digits)) << after_digits;

  const auto boxes = robot.message_boxes();
  ASSERT_EQ(boxes.size(), 2u);
  const std::wstring caption = mivo::win::to_wide(ui->load_string(IDS_WARNING_CAPTION));
  for (const auto& box : boxes) {
    EXPECT_EQ(box.text, L"密码必须为4位数字");
    EXPECT_EQ(box.caption, caption);
    EXPECT_EQ(box.icon, static_cast<UINT>(MB_ICONWARNING));
    EXPECT_EQ(box.owner, robot.result(0).window);
  }
  // A refused password stays in the record, also after Cancel.
  EXPECT_EQ(record.password, "12345");
  EXPECT_TRUE(record.mute_on_entry);
}

// The mute box starts checked whatever the record holds; the password field
// holds the meeting's password, so an OK that leaves it alone keeps it.
TEST_F(SchedulerDialogs, MeetingOptionsStartCheckedAndWithTheMeetingsPassword) {
  mivo::CMeetingInfo record;
  record.mute_on_entry = false;
  record.password = "4321";
  InitInspector inspector;
  DialogRobot robot;
  robot.expect_dialog(mivo::robot::kMeetingDialog)
      .read(IDC_MEETING_MUTE)
      .read(IDC_MEETING_PASSWORD)
      .press(IDOK);
  EXPECT_EQ(ui->run_meeting_setting(window_handle(owner.get()), record), 1);
  ASSERT_TRUE(robot.wait()) << robot.report();
  EXPECT_TRUE(robot.result(0).controls.at(IDC_MEETING_MUTE).checked);
  EXPECT_EQ(robot.result(0).controls.at(IDC_MEETING_PASSWORD).text, L"4321");
  ASSERT_EQ(inspector.dialogs().size(), 1u);
  const auto* field = inspector.dialogs()[0].control(IDC_MEETING_PASSWORD);
  ASSERT_NE(field, nullptr);
  EXPECT_EQ(field->cue_banner, L"输入4位数字密码");
  EXPECT_EQ(record.password, "4321");
  EXPECT_TRUE(record.mute_on_entry);
  EXPECT_TRUE(robot.message_boxes().empty());
}

TEST_F(SchedulerDialogs, MeetingOptionsStoreFourDigitsAndAnUncheckedBox) {
  mivo::CMeetingInfo record;
  DialogRobot robot;
  robot.expect_dialog(mivo::robot::kMeetingDialog)
      .check(IDC_MEETING_MUTE, false)
      .set_text(IDC_MEETING_PASSWORD, L"0042")
      .press(IDOK);
  EXPECT_EQ(ui->run_meeting_setting(window_handle(owner.get()), record), 1);
  ASSERT_TRUE(robot.wait()) << robot.report();
  EXPECT_EQ(record.password, "0042");
  EXPECT_FALSE(record.mute_on_entry);
}

TEST_F(SchedulerDialogs, MeetingOptionsPictureClickPutsANewPasswordInTheField) {
  mivo::CMeetingInfo record;
  DialogRobot robot;
  robot.expect_dialog(mivo::robot::kMeetingDialog)
      .click(IDC_MEETING_NEW_PASSWORD)
      .read(IDC_MEETING_PASSWORD)
      .close_box();
  EXPECT_EQ(ui->run_meeting_setting(window_handle(owner.get()), record), 2);
  ASSERT_TRUE(robot.wait()) << robot.report();
  const std::wstring password = robot.result(0).controls.at(IDC_MEETING_PASSWORD).text;
  EXPECT_TRUE(is_new_password(password)) << password;
  EXPECT_TRUE(robot.message_boxes().empty());
}

TEST_F(SchedulerDialogs, ChooserListsTheNamesInTheGivenOrderAndReportsTheSelection) {
  std::vector<std::pair<mivo::WindowHandle, std::optional<std::string>>> chosen;
  DialogRobot robot;
  robot.expect_dialog(mivo::robot::kTenancyDialog)
      .read(IDC_TENANCY_LIST)
      .select_text(IDC_TENANCY_LIST, L"研发中心")
      .press(IDOK);
  const int result =
      ui->run_multi_tenancy(window_handle(owner.get()), {"Zeta Works", "研发中心", "Beta Labs"},
                            [&](mivo::WindowHandle dialog, const std::optional<std::string>& name) {
                              chosen.emplace_back(dialog, name);
                            });
  ASSERT_TRUE(robot.wait()) << robot.report();
  EXPECT_EQ(result, 1);
  const auto list = robot.result(0).controls.at(IDC_TENANCY_LIST);
  EXPECT_EQ(list.items, (std::vector<std::wstring>{L"Zeta Works", L"研发中心", L"Beta Labs"}));
  EXPECT_EQ(list.selected, 0);
  ASSERT_EQ(chosen.size(), 1u);
  EXPECT_EQ(chosen[0].first, reinterpret_cast<mivo::WindowHandle>(robot.result(0).window));
  EXPECT_EQ(chosen[0].second, std::optional<std::string>("研发中心"));
}

TEST_F(SchedulerDialogs, ChooserOkWithNothingSelectedEndsWithOneAndReportsNoName) {
  std::vector<std::optional<std::string>> chosen;
  DialogRobot robot;
  robot.expect_dialog(mivo::robot::kTenancyDialog).read(IDC_TENANCY_LIST).press(IDOK);
  const int result = ui->run_multi_tenancy(
      window_handle(owner.get()), {},
      [&](auto, const std::optional<std::string>& name) { chosen.push_back(name); });
  ASSERT_TRUE(robot.wait()) << robot.report();
  EXPECT_EQ(result, 1);
  EXPECT_EQ(robot.result(0).controls.at(IDC_TENANCY_LIST).selected, -1);
  ASSERT_EQ(chosen.size(), 1u);
  EXPECT_EQ(chosen[0], std::nullopt);
}

TEST_F(SchedulerDialogs, ChooserCancelAndCloseBoxEndWithTwoAndReportNothing) {
  int chosen = 0;
  const auto count = [&](auto, auto&) { ++chosen; };
  DialogRobot robot;
  robot.expect_dialog(mivo::robot::kTenancyDialog).press(IDCANCEL).wait_closed();
  robot.expect_dialog(mivo::robot::kTenancyDialog).close_box();
  EXPECT_EQ(ui->run_multi_tenancy(window_handle(owner.get()), {"a", "b"}, count), 2);
  EXPECT_EQ(ui->run_multi_tenancy(window_handle(owner.get()), {"a", "b"}, count), 2);
  EXPECT_TRUE(robot.wait()) << robot.report();
  EXPECT_EQ(chosen, 0);
}

TEST_F(SchedulerDialogs, SignOutConfirmationRunsTheSignOutOnlyOnOk) {
  int confirmed = 0;
  const auto sign_out = [&] { ++confirmed; };
  DialogRobot robot;
  robot.expect_dialog(mivo::robot::kCancellationDialog).press(IDCANCEL).wait_closed();
  robot.expect_dialog(mivo::robot::kCancellationDialog).close_box().wait_closed();
  robot.expect_dialog(mivo::robot::kCancellationDialog).press(IDOK);
  EXPECT_EQ(ui->run_cancellation(window_handle(owner.get()), sign_out), 2);
  EXPECT_EQ(ui->run_cancellation(window_handle(owner.get()), sign_out), 2);
  EXPECT_EQ(confirmed, 0);
  EXPECT_EQ(ui->run_cancellation(window_handle(owner.get()), sign_out), 1);
  EXPECT_TRUE(robot.wait()) << robot.report();
  EXPECT_EQ(confirmed, 1);
}

TEST_F(SchedulerDialogs, NothingIsShownWithoutAnowner_window) {
  HWND gone =
      CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  DestroyWindow(gone);
  int handlers = 0;
  mivo::CMeetingInfo record;
  DialogRobot robot;
  for (const mivo::WindowHandle no_window :
       {mivo::WindowHandle{0}, reinterpret_cast<mivo::WindowHandle>(gone)}) {
    EXPECT_EQ(ui->run_about(no_window), 0);
    EXPECT_EQ(
        ui->run_account_setting(no_window, "", [&](auto, auto&, auto&) { return ++handlers > 0; }),
        0);
    EXPECT_EQ(ui->run_meeting_setting(no_window, record), 0);
    EXPECT_EQ(ui->run_multi_tenancy(no_window, {"a"}, [&](auto, auto&) { ++handlers; }), 0);
    EXPECT_EQ(ui->run_cancellation(no_window, [&] { ++handlers; }), 0);
  }
  EXPECT_TRUE(robot.wait()) << robot.report();
  EXPECT_TRUE(robot.shown().empty());
  EXPECT_EQ(handlers, 0);
}

TEST_F(SchedulerDialogs, OnlyTheProgramsOwnWindowsBelongToIt) {
  EXPECT_TRUE(ui->belongs_to_this_process(window_handle(owner.get())));
  // The desktop window is the system's.
  EXPECT_FALSE(
      ui->belongs_to_this_process(reinterpret_cast<mivo::WindowHandle>(GetDesktopWindow())));
  HWND gone =
      CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  DestroyWindow(gone);
  EXPECT_FALSE(ui->belongs_to_this_process(reinterpret_cast<mivo::WindowHandle>(gone)));
  EXPECT_FALSE(ui->belongs_to_this_process(0));
}

// The four dialogs that take the dialog font: every control gets the face of
// the template at 13 pixels and normal weight; the sign-out confirmation
// keeps the template's font.
TEST_F(SchedulerDialogs, DialogsAndEveryControlGetTheThirteenPixelFont) {
  InitInspector inspector;
  mivo::CMeetingInfo record;
  DialogRobot robot;
  robot.expect_dialog(mivo::robot::kAboutDialog).press(IDOK).wait_closed();
  robot.expect_dialog(mivo::robot::kAccountDialog).press(IDCANCEL).wait_closed();
  robot.expect_dialog(mivo::robot::kMeetingDialog).press(IDCANCEL).wait_closed();
  robot.expect_dialog(mivo::robot::kTenancyDialog).press(IDCANCEL).wait_closed();
  robot.expect_dialog(mivo::robot::kCancellationDialog).press(IDCANCEL);
  ui->run_about(window_handle(owner.get()));
  ui->run_account_setting(window_handle(owner.get()), "", [](auto, auto&, auto&) { return false; });
  ui->run_meeting_setting(window_handle(owner.get()), record);
  ui->run_multi_tenancy(window_handle(owner.get()), {"a"}, [](auto, auto&) {});
  ui->run_cancellation(window_handle(owner.get()), [] {});
  ASSERT_TRUE(robot.wait()) << robot.report();
  ASSERT_EQ(inspector.dialogs().size(), 5u);

  const DialogLook& untouched = inspector.dialogs()[4];
  ASSERT_FALSE(untouched.controls.empty());
  ASSERT_TRUE(untouched.controls[0].has_font);
  const LOGFONTW template_font = untouched.controls[0].font;
  EXPECT_NE(template_font.lfHeight, -13);

  for (std::size_t i = 0; i < 4; ++i) {
    const DialogLook& look = inspector.dialogs()[i];
    ASSERT_GE(look.controls.size(), 3u) << "dialog " << i;
    for (const auto& control : look.controls) {
      // Picture controls draw no text and keep no font.
      if (control.id == IDC_ABOUT_PICTURE || control.id == IDC_MEETING_NEW_PASSWORD) continue;
      ASSERT_TRUE(control.has_font) << "dialog " << i << " control " << control.id;
      EXPECT_EQ(control.font.lfHeight, -13) << "dialog " << i << " control " << control.id;
      EXPECT_EQ(control.font.lfWeight, FW_NORMAL) << "dialog " << i << " control " << control.id;
      EXPECT_STREQ(control.font.lfFaceName, template_font.lfFaceName)
          << "dialog " << i << " control " << control.id;
    }
  }
}

TEST_F(SchedulerDialogs, DialogIsCentredOverAVisibleOwner) {
  InitInspector inspector;
  DialogRobot robot;
  robot.expect_dialog(mivo::robot::kCancellationDialog).press(IDCANCEL);
  ui->run_cancellation(window_handle(owner.get()), [] {});
  ASSERT_TRUE(robot.wait()) << robot.report();
  ASSERT_EQ(inspector.dialogs().size(), 1u);
  RECT owner_frame{};
  GetWindowRect(owner.get(), &owner_frame);
  const RECT frame = inspector.dialogs()[0].frame;
  EXPECT_NEAR(centre_x(frame), centre_x(owner_frame), 1);
  EXPECT_NEAR(centre_y(frame), centre_y(owner_frame), 1);
}

TEST_F(SchedulerDialogs, DialogStaysInsideTheWorkAreaWhenTheOwnerHangsOverItsEdge) {
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  SetWindowPos(owner.get(), nullptr, work.right - 150, work.bottom - 100, 400, 300,
               SWP_NOZORDER | SWP_NOACTIVATE);
  InitInspector inspector;
  DialogRobot robot;
  robot.expect_dialog(mivo::robot::kAboutDialog).press(IDOK);
  ui->run_about(window_handle(owner.get()));
  ASSERT_TRUE(robot.wait()) << robot.report();
  ASSERT_EQ(inspector.dialogs().size(), 1u);
  const DialogLook& look = inspector.dialogs()[0];
  EXPECT_EQ(look.frame.right, look.work_area.right);
  EXPECT_EQ(look.frame.bottom, look.work_area.bottom);
  EXPECT_GE(look.frame.left, look.work_area.left);
  EXPECT_GE(look.frame.top, look.work_area.top);
}

TEST_F(SchedulerDialogs, DialogIsCentredInTheWorkAreaWhenTheOwnerIsMinimised) {
  ShowWindow(owner.get(), SW_MINIMIZE);
  InitInspector inspector;
  DialogRobot robot;
  robot.expect_dialog(mivo::robot::kAccountDialog).press(IDCANCEL);
  ui->run_account_setting(window_handle(owner.get()), "", [](auto, auto&, auto&) { return false; });
  ASSERT_TRUE(robot.wait()) << robot.report();
  ASSERT_EQ(inspector.dialogs().size(), 1u);
  const DialogLook& look = inspector.dialogs()[0];
  EXPECT_NEAR(centre_x(look.frame), centre_x(look.work_area), 1);
  EXPECT_NEAR(centre_y(look.frame), centre_y(look.work_area), 1);
}

// With a dialog colour the pictures do not carry themselves, a picture whose
// background was not replaced, or that was not painted, shows.
class DialogPictures : public SchedulerDialogs {
 protected:
  void SetUp() override {
    SchedulerDialogs::SetUp();
    saved_face_ = GetSysColor(COLOR_BTNFACE);
    const INT element = COLOR_BTNFACE;
    const COLORREF face = RGB(200, 220, 250);
    ASSERT_TRUE(SetSysColors(1, &element, &face));
  }
  void TearDown() override {
    const INT element = COLOR_BTNFACE;
    SetSysColors(1, &element, &saved_face_);
    SchedulerDialogs::TearDown();
  }

  // Pixels of picture control `id` that are not the dialog colour, and
  // whether its corner pixel is.
  void look_at_picture(const DialogLook& look, const std::wstring& path, int id, int& unlike,
                       bool& corner_is_face) {
    Picture picture;
    ASSERT_TRUE(mivo::scheduler::testing::read_bmp(path, picture)) << "no picture";
    ASSERT_TRUE(look.control_frames.count(id));
    const RECT area = inside(look.control_frames.at(id), look.frame);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    unlike = picture.count_unlike(area, face);
    corner_is_face = picture.at(area.left + 1, area.top + 1) == face;
  }

  COLORREF saved_face_ = 0;
};

TEST_F(DialogPictures, PicturesArePaintedOnTheDialogColour) {
  const std::wstring about = mivo::scheduler::testing::temporary_path(L"about.bmp");
  const std::wstring options = mivo::scheduler::testing::temporary_path(L"options.bmp");
  InitInspector inspector;
  mivo::CMeetingInfo record;
  DialogRobot robot;
  robot.expect_dialog(mivo::robot::kAboutDialog).save_picture(about).press(IDOK).wait_closed();
  robot.expect_dialog(mivo::robot::kMeetingDialog).save_picture(options).press(IDCANCEL);
  ui->run_about(window_handle(owner.get()));
  ui->run_meeting_setting(window_handle(owner.get()), record);
  ASSERT_TRUE(robot.wait()) << robot.report();
  ASSERT_EQ(inspector.dialogs().size(), 2u);

  int unlike = 0;
  bool corner_is_face = false;
  look_at_picture(inspector.dialogs()[0], about, IDC_ABOUT_PICTURE, unlike, corner_is_face);
  EXPECT_TRUE(corner_is_face);
  EXPECT_GT(unlike, 100);
  look_at_picture(inspector.dialogs()[1], options, IDC_MEETING_NEW_PASSWORD, unlike,
                  corner_is_face);
  EXPECT_TRUE(corner_is_face);
  EXPECT_GT(unlike, 10);
  DeleteFileW(about.c_str());
  DeleteFileW(options.c_str());
}

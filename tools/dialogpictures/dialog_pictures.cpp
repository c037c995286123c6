// mivo-scheduler-dialog-pictures <folder> [language]: runs each of the
// scheduler's real dialogs through the user-interface and transport ports,
// as the scheduler shows them, and has the dialog robot save a BMP picture
// of each and of the meeting password warning. The request dialog signs in
// at the reference service (MIVO_REFSERVICE_PORT), which is told to answer
// after a moment. The language is a language identifier (2052 Chinese, 1033
// English), as the add-in passes Office's; without it, the scheduler's own
// choice.
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "dialog_ports.h"
#include "dialog_robot.h"
#include "dialog_test_support.h"
#include "meeting/meeting_info.h"
#include "refservice_client.h"
#include "resource_ids.h"
#include "win/resource_library.h"

using mivo::robot::DialogRobot;

int wmain(int argc, wchar_t** argv) {
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: mivo-scheduler-dialog-pictures <output folder> [language]\n");
    return 2;
  }
  if (argc == 3)
    mivo::scheduler::set_host_language(
        static_cast<mivo::LanguageId>(wcstoul(argv[2], nullptr, 10)));
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (!mivo::scheduler::resource_library()) {
    std::fprintf(stderr, "MivoOlkRes.dll not found beside the program\n");
    return 1;
  }
  const std::wstring folder = std::wstring(argv[1]) + L"\\";
  const mivo::com::testing::owner_window owner(RECT{100, 80, 1100, 800});
  const auto ui = mivo::scheduler::make_user_interface();
  const auto transport = mivo::scheduler::make_transport();
  mivo::refservice::Client service;
  service.reset();
  Json::Value slow_sign_in;
  slow_sign_in["path"] = "/rest/login";
  slow_sign_in["delay_ms"] = 2500;
  service.add_fault(slow_sign_in);

  DialogRobot robot;
  robot.expect_dialog(mivo::robot::kAboutDialog)
      .save_picture(folder + L"about.bmp")
      .press(IDOK)
      .wait_closed();
  robot.expect_dialog(mivo::robot::kAccountDialog)
      .save_picture(folder + L"account.bmp")
      .press(IDCANCEL)
      .wait_closed();
  robot.expect_dialog(mivo::robot::kMeetingDialog)
      .save_picture(folder + L"meeting-options.bmp")
      .set_text(IDC_MEETING_PASSWORD, L"12a4")
      .press(IDOK);
  robot.expect_message_box().save_picture(folder + L"warning.bmp").answer(IDOK);
  robot.expect_dialog(mivo::robot::kMeetingDialog).press(IDCANCEL).wait_closed();
  robot.expect_dialog(mivo::robot::kTenancyDialog)
      .save_picture(folder + L"organisation.bmp")
      .press(IDCANCEL)
      .wait_closed();
  robot.expect_dialog(mivo::robot::kCancellationDialog)
      .save_picture(folder + L"sign-out.bmp")
      .press(IDCANCEL)
      .wait_closed();
  robot.expect_dialog(mivo::robot::kCommunicationDialog)
      .save_picture(folder + L"request.bmp")
      .wait_closed();

  mivo::CMeetingInfo record;
  ui->run_about(mivo::scheduler::testing::window_handle(owner.get()));
  ui->run_account_setting(mivo::scheduler::testing::window_handle(owner.get()),
                          ui->load_string(IDS_SERVICE_URL),
                          [](auto, auto&, auto&) { return false; });
  ui->run_meeting_setting(mivo::scheduler::testing::window_handle(owner.get()), record);
  ui->run_multi_tenancy(mivo::scheduler::testing::window_handle(owner.get()),
                        {"Mivo科技（总部）", "Mivo科技北京分公司", "Mivo Technology Europe"},
                        [](auto, auto&) {});
  ui->run_cancellation(mivo::scheduler::testing::window_handle(owner.get()), [] {});
  transport->send({service.base_url() + "/rest/login",
                   "{\"password\":\"alice-pass\",\"username\":\"alice\"}\n", "", "POST",
                   mivo::scheduler::testing::window_handle(owner.get())});

  const bool ok = robot.wait();
  std::fprintf(stderr, "%s", robot.report().c_str());
  return ok ? 0 : 1;
}

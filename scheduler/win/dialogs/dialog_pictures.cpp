// mivo-scheduler-dialog-pictures <folder>: runs each of the scheduler's real
// dialogs through the user-interface and transport ports, as the scheduler
// shows them, and has the dialog robot save a BMP picture of each and of the
// meeting password warning. The request dialog talks to a loopback listener
// of this program that answers after a moment.
#include <winsock2.h>
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <string>
#include <thread>

#include "dialog_ports.h"
#include "dialog_robot.h"
#include "dialog_test_support.h"
#include "meeting/meeting_info.h"
#include "resource_ids.h"
#include "win/resource_library.h"

using mivo::robot::DialogRobot;

namespace {

// Accepts one connection on 127.0.0.1 and answers it after `delay_ms`.
class SlowAnswer {
public:
  explicit SlowAnswer(DWORD delay_ms) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof(address);
    if (listener_ == INVALID_SOCKET ||
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        listen(listener_, 1) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
      return;
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this, delay_ms] {
      const SOCKET client = accept(listener_, nullptr, nullptr);
      if (client == INVALID_SOCKET) return;
      char request[4096];
      recv(client, request, sizeof(request), 0);
      Sleep(delay_ms);
      const char answer[] = "HTTP/1.1 200 OK\r\nContent-Length: 11\r\nConnection: close\r\n\r\n{\"code\":0}\n";
      send(client, answer, static_cast<int>(sizeof(answer) - 1), 0);
      closesocket(client);
    });
  }
  ~SlowAnswer() {
    if (listener_ != INVALID_SOCKET) closesocket(listener_);
    if (thread_.joinable()) thread_.join();
    WSACleanup();
  }
  SlowAnswer(const SlowAnswer&) = delete;
  SlowAnswer& operator=(const SlowAnswer&) = delete;

  int port() const { return port_; }

private:
  SOCKET listener_ = INVALID_SOCKET;
  int port_ = 0;
  std::thread thread_;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: mivo-scheduler-dialog-pictures <output folder>\n");
    return 2;
  }
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  mivo::scheduler::load_resource_library();
  if (!mivo::scheduler::resource_library()) {
    std::fprintf(stderr, "MivoOlkRes.dll not found beside the program\n");
    return 1;
  }
  const std::wstring folder = std::wstring(argv[1]) + L"\\";
  const mivo::scheduler::testing::OwnerWindow owner(RECT{100, 80, 1100, 800});
  const auto ui = mivo::scheduler::make_user_interface();
  const auto transport = mivo::scheduler::make_transport();
  SlowAnswer server(2500);

  DialogRobot robot;
  robot.expect_dialog(mivo::robot::kAboutDialog).save_picture(folder + L"about.bmp").press(IDOK).wait_closed();
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
  robot.expect_dialog(mivo::robot::kCommunicationDialog).save_picture(folder + L"request.bmp").wait_closed();

  mivo::CMeetingInfo record;
  ui->run_about(owner.handle());
  ui->run_account_setting(owner.handle(), [](auto, auto&, auto&) { return false; });
  ui->run_meeting_setting(owner.handle(), record);
  ui->run_multi_tenancy(owner.handle(), {"Mivo科技（总部）", "Mivo科技北京分公司", "Mivo Technology Europe"},
                        [](auto, auto&) {});
  ui->run_cancellation(owner.handle(), [] {});
  transport->send({"http://127.0.0.1:" + std::to_string(server.port()) + "/rest/login", "{}", "",
                   "POST", owner.handle()});

  const bool ok = robot.wait();
  std::fprintf(stderr, "%s", robot.report().c_str());
  return ok ? 0 : 1;
}

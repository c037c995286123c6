// Benchmark of Commit for a new meeting as the add-in runs it, through the
// real scheduler DLL against the reference service on loopback: the user
// refresh (SimpleUpdate), the meeting options dialog answered at once by the
// dialog robot, and the schedule save. Prints the wall time beside the time
// the service spent on the HTTP exchanges; asserts nothing.
//
// commit_bench [runs]   (default 30)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "agent_test_support.h"
#include "dialog_robot.h"
#include "dialog_test_support.h"
#include "records/appointment_record.h"
#include "refservice_client.h"
#include "resource_ids.h"
#include "testing/scheduler_test_support.h"
#include "win/wide_text.h"

namespace {

using mivo::com::unique_bstr;
using mivo::oiurl::testing::now_us;
using mivo::robot::DialogRobot;
namespace testing = mivo::scheduler::testing;

constexpr int kDefaultRuns = 30;
constexpr double kFirstDay = 47484 + 10.0 / 24;  // 2030-01-01 10:00

struct Sample {
  double wall_ms;
  double exchanges_ms;
  double overhead_ms;
  double overhead_without_robot_ms;  // the user's own answer replaces the robot's
  // The parts of the overhead, in the order they happen.
  double refresh_dialog_open_ms;    // call to the request dialog shown
  double refresh_request_start_ms;  // dialog shown to UserInfo read by the service
  double refresh_delivery_ms;       // UserInfo answered to the dialog destroyed
  double refresh_return_ms;         // dialog destroyed to SimpleUpdate's return
  double options_open_ms;           // Commit called to the options dialog shown
  double options_answer_ms;         // options dialog shown to destroyed (the robot)
  double save_dialog_open_ms;       // options dialog destroyed to the request dialog shown
  double save_request_start_ms;     // dialog shown to the save read by the service
  double save_delivery_ms;          // save answered to the dialog destroyed
  double save_return_ms;            // dialog destroyed to Commit's return
};

double ms(long long from_us, long long to_us) {
  return static_cast<double>(to_us - from_us) / 1000.0;
}

double percentile(std::vector<double> values, double p) {
  std::sort(values.begin(), values.end());
  return values[static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5)];
}

void print(const char* what, const std::vector<Sample>& samples, double Sample::*field,
           const char* note = "") {
  std::vector<double> values;
  for (const auto& sample : samples) values.push_back(sample.*field);
  std::printf("%-58s %7.1f %7.1f ms%s\n", what, percentile(values, 0.5), percentile(values, 0.95),
              note);
}

// When each dialog of this thread was activated (shown, its initialisation
// done) and when it was destroyed, in order. A CBT hook fires only for those
// few events, so it does not slow down the message traffic it measures.
class DialogClock {
 public:
  struct Event {
    bool request_dialog;
    bool destroyed;
    long long at_us;
  };

  DialogClock() {
    clock_ = this;
    hook_ = SetWindowsHookExW(WH_CBT, &DialogClock::hook, nullptr, GetCurrentThreadId());
  }
  ~DialogClock() {
    if (hook_) UnhookWindowsHookEx(hook_);
    clock_ = nullptr;
  }
  DialogClock(const DialogClock&) = delete;
  DialogClock& operator=(const DialogClock&) = delete;

  std::vector<Event> events;

 private:
  static LRESULT CALLBACK hook(int code, WPARAM wparam, LPARAM lparam) {
    if (clock_ && (code == HCBT_ACTIVATE || code == HCBT_DESTROYWND)) {
      const auto window = reinterpret_cast<HWND>(wparam);
      wchar_t class_name[16] = {};
      GetClassNameW(window, class_name, 16);
      if (lstrcmpW(class_name, L"#32770") == 0) {
        clock_->events.push_back({GetDlgItem(window, IDC_COMMUNICATION_BUSY) != nullptr,
                                  code == HCBT_DESTROYWND, now_us()});
      }
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
  }

  static DialogClock* clock_;
  HHOOK hook_ = nullptr;
};

DialogClock* DialogClock::clock_ = nullptr;

// Signs alice in through the account dialog, as a user does once; this also
// loads the agent library, so no run pays for that.
void sign_in() {
  const auto request = testing::create_meeting_request();
  DialogRobot robot;
  robot.expect_dialog(mivo::robot::kAccountDialog)
      .set_text(IDC_ACCOUNT_USERNAME, L"alice")
      .set_text(IDC_ACCOUNT_PASSWORD, L"alice-pass")
      .press(IDOK);
  const HRESULT hr = request->AccountSetting();
  if (!robot.wait() || hr != S_OK) throw std::runtime_error("sign-in failed:\n" + robot.report());
}

// One new meeting on its own day, so that no run conflicts with another.
Sample commit_new_meeting(mivo::refservice::Client& service, HWND window, int day) {
  mivo::records::AppointmentRecord appointment;
  appointment.subject = "Benchmark " + std::to_string(day);
  appointment.start = kFirstDay + day;
  appointment.duration = 45;
  appointment.end = appointment.start + appointment.duration / (24.0 * 60.0);
  appointment.message_class = "IPM.Appointment";
  const unique_bstr empty = mivo::com::make_bstr(L"");
  const unique_bstr record =
      mivo::win::bstr_from_utf8(mivo::records::write_appointment_record(appointment));
  testing::TestSettingsSink sink;
  sink.subject = mivo::win::to_wide(appointment.subject);
  auto request = testing::create_meeting_request();
  request->Advise(SINK_SETTINGS, &sink);
  request->SetSettings(VARIANT_TRUE, empty.get(), record.get());
  service.clear_requests();
  DialogRobot robot;
  robot.expect_dialog(mivo::robot::kMeetingDialog).press(IDOK);
  DialogClock dialogs;

  const long long start = now_us();
  const HRESULT refreshed = request->SimpleUpdate(HandleToLong(window));
  const long long after_refresh = now_us();
  request->SetSettings(VARIANT_FALSE, empty.get(), record.get());
  const HRESULT committed = request->Commit(HandleToLong(window));
  const long long end = now_us();

  const bool robot_done = robot.wait();
  request->UnAdvise(SINK_SETTINGS);
  const auto requests = service.requests();
  // Request dialog, options dialog, request dialog: each shown, then destroyed.
  const auto& seen = dialogs.events;
  const bool dialogs_as_expected = seen.size() == 6 && seen[0].request_dialog &&
                                   !seen[2].request_dialog && seen[4].request_dialog;
  if (refreshed != S_OK || committed != S_OK || !robot_done || !dialogs_as_expected ||
      requests.size() != 2 || requests[0].path != "/rest/api/conference/user/info" ||
      requests[1].path != "/rest/api/conference/schedule")
    throw std::runtime_error("day " + std::to_string(day) +
                             ": the commit did not go as expected\n" + robot.report());
  const auto& info = requests[0];
  const auto& save = requests[1];
  const double exchanges =
      ms(info.received_us, info.answered_us) + ms(save.received_us, save.answered_us);
  return {ms(start, end),
          exchanges,
          ms(start, end) - exchanges,
          ms(start, end) - exchanges - ms(seen[2].at_us, seen[3].at_us),
          ms(start, seen[0].at_us),
          ms(seen[0].at_us, info.received_us),
          ms(info.answered_us, seen[1].at_us),
          ms(seen[1].at_us, after_refresh),
          ms(after_refresh, seen[2].at_us),
          ms(seen[2].at_us, seen[3].at_us),
          ms(seen[3].at_us, seen[4].at_us),
          ms(seen[4].at_us, save.received_us),
          ms(save.answered_us, seen[5].at_us),
          ms(seen[5].at_us, end)};
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const int runs = argc > 1 ? std::max(1, _wtoi(argv[1])) : kDefaultRuns;
  try {
    const testing::com_apartment com;
    const testing::SettingsKeyGuard settings;
    mivo::refservice::Client service;
    service.reset();
    const testing::owner_window window;
    sign_in();
    commit_new_meeting(service, window.get(), 0);

    std::vector<Sample> samples;
    for (int day = 1; day <= runs; ++day)
      samples.push_back(commit_new_meeting(service, window.get(), day));
    std::printf(
        "Commit of a new meeting on loopback: user refresh, options dialog answered at once,\n"
        "schedule save; %d runs\n",
        runs);
    std::printf("%-58s %7s %7s\n", "", "p50", "p95");
    print("wall time (SimpleUpdate + SetSettings + Commit)", samples, &Sample::wall_ms);
    print("HTTP exchanges as the service saw them (2 calls)", samples, &Sample::exchanges_ms);
    print("overhead (wall - exchanges)", samples, &Sample::overhead_ms, "   target <= 150 ms");
    print("overhead without the robot's answer", samples, &Sample::overhead_without_robot_ms);
    std::printf("where the overhead goes:\n");
    print("  refresh: request dialog opens", samples, &Sample::refresh_dialog_open_ms);
    print("  refresh: agent sends UserInfo (until the service read it)", samples,
          &Sample::refresh_request_start_ms);
    print("  refresh: answer delivered, dialog closes (50 ms timer)", samples,
          &Sample::refresh_delivery_ms);
    print("  refresh: SimpleUpdate returns", samples, &Sample::refresh_return_ms);
    print("  commit: options dialog opens", samples, &Sample::options_open_ms);
    print("  commit: robot answers the options dialog", samples, &Sample::options_answer_ms);
    print("  commit: request dialog opens", samples, &Sample::save_dialog_open_ms);
    print("  commit: agent sends the save (until the service read it)", samples,
          &Sample::save_request_start_ms);
    print("  commit: answer delivered, dialog closes (50 ms timer)", samples,
          &Sample::save_delivery_ms);
    print("  commit: Commit returns (sink written)", samples, &Sample::save_return_ms);
    return 0;
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "commit_bench: %s\n", failure.what());
    return 1;
  }
}

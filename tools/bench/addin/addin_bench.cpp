// Benchmark of the add-in inside the Outlook host, with the add-in
// registered for the user as an installer registers it. Prints figures and
// asserts nothing:
//   start-up, step by step as the host times it (mivo-outlook.exe --timings,
//     a fresh process each run, as Outlook starts);
//   opening an appointment that carries an online meeting, with 50
//     attendees (10 of them Exchange users) and with 1,000 (100): NewInspector
//     to the end of Open;
//   saving a new online meeting before it was ever sent (the Write handler
//     takes it off the service and its invitation out of the body), with a
//     body of plain text and with one holding 10,000 bookmarks of its own
//     (at most 5 runs);
//   a visibility pass over every control of a window with 20 appointment
//     windows open;
//   1,000 appointment windows opened and closed: handles, private bytes,
//     and what is left alive once the add-in is turned off.
//
// addin_bench [runs]   (default 30)
#include <windows.h>
#include <objbase.h>
#include <psapi.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "addin_calls.h"
#include "dialog_robot.h"
#include "dialog_test_support.h"
#include "com/module.h"
#include "com/unique.h"
#include "win/wide_text.h"
#include "outlook_host.h"
#include "testing/addin_test_support.h"

namespace {

using mivo::outlookhost::outlook_host;
namespace host = mivo::outlookhost;
namespace sched = mivo::scheduler::testing;

constexpr int kDefaultRuns = 30;
constexpr int kAttendees = 50;
constexpr int kExchangeAttendees = 10;
constexpr int kManyAttendees = 1000;
constexpr int kManyExchangeAttendees = 100;
constexpr int kBookmarks = 10000;
constexpr int kSaveRuns = 5;
constexpr int kOpenWindows = 20;
constexpr int kWindowCycles = 1000;
constexpr long olDiscard = 1;

double percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5)];
}

void print_figure(const char* what, const std::vector<double>& ms) {
  std::printf("  %-42s p50 %7.2f ms   p95 %7.2f ms\n", what, percentile(ms, 0.5),
              percentile(ms, 0.95));
  std::fflush(stdout);
}

// The start-up steps of one run of mivo-outlook.exe --timings, by name.
std::map<std::string, double> startup_steps(const std::wstring& scenario) {
  const std::wstring output = sched::temporary_path(L"startup-output");
  sched::run_program(L"cmd.exe /c \"\"" + sched::program_folder() +
                     L"\\mivo-outlook.exe\" --timings \"" + scenario + L"\" > \"" + output +
                     L"\"\"");
  const std::string text = sched::read_file(output);
  DeleteFileW(output.c_str());
  // "start-up: load 14.1 ms, connect 1.9 ms, ...; total 160.9 ms"
  std::map<std::string, double> steps;
  const std::size_t line = text.find("start-up: ");
  if (line == std::string::npos)
    throw std::runtime_error("the host did not start the add-in:\n" + text);
  std::size_t at = line + 10;
  const std::size_t end = text.find('\n', at);
  while (at < end) {
    const std::size_t number = text.find_first_of("0123456789", at);
    if (number >= end) break;
    std::string name = text.substr(at, number - at);
    while (!name.empty() && (name.back() == ' ')) name.pop_back();
    steps[name] = std::strtod(text.c_str() + number, nullptr);
    at = text.find_first_of(",;", number);
    if (at == std::string::npos || at >= end) break;
    at += 2;
  }
  return steps;
}

void measure_startup(int runs) {
  const std::wstring scenario = sched::temporary_path(L"startup.scenario");
  HANDLE file = CreateFileW(scenario.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(file, "start\nquit\n", 11, &written, nullptr);
  CloseHandle(file);
  std::map<std::string, std::vector<double>> figures;
  std::vector<std::string> order;
  for (int run = 0; run < runs; ++run) {
    for (const auto& [name, ms] : startup_steps(scenario)) {
      if (!figures.count(name)) order.push_back(name);
      figures[name].push_back(ms);
    }
  }
  DeleteFileW(scenario.c_str());
  std::printf("Start-up, a fresh host process each run (%d runs):\n", runs);
  for (const char* step : {"load", "connect", "ribbon XML", "ribbon load", "first visibility pass",
                           "pictures", "OnStartupComplete", "total"})
    if (figures.count(step)) print_figure(step, figures[step]);
}

// Process figures: handle values that answer, and private bytes.
struct Usage {
  DWORD handles = 0;
  SIZE_T private_bytes = 0;
};

Usage usage() {
  Usage now;
  // Wine's GetProcessHandleCount answers 0: count the open handle values.
  for (ULONG_PTR value = 4; value < 0x10000; value += 4) {
    DWORD flags = 0;
    if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++now.handles;
  }
  PROCESS_MEMORY_COUNTERS_EX memory = {};
  memory.cb = sizeof(memory);
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                       sizeof(memory));
  // Wine leaves PrivateUsage at 0; PagefileUsage counts the same
  // committed private memory.
  now.private_bytes = memory.PagefileUsage;
  return now;
}

// DllCanUnloadNow of a loaded module: S_OK when none of its objects lives.
HRESULT can_unload(const wchar_t* module) {
  using can_unload_fn = HRESULT(STDAPICALLTYPE*)();
  const HMODULE loaded = GetModuleHandleW(module);
  const auto fn =
      loaded ? mivo::com::get_proc_address<can_unload_fn>(loaded, "DllCanUnloadNow") : nullptr;
  return fn ? fn() : E_FAIL;
}

double milliseconds_of(const std::vector<host::call_timing>& timings, const std::string& what) {
  double total = 0;
  for (const auto& timing : timings)
    if (timing.what == what) total += timing.milliseconds;
  return total;
}

// An appointment that carries an online meeting (its settings record and
// the mark of a sent item), with `attendees` attendees of which the first
// `exchange` are Exchange users.
mivo::com::com_ptr<host::appointment_item> meeting_with_attendees(host::session& outlook,
                                                                  int attendees, int exchange) {
  auto item = outlook.create_appointment();
  item->set_subject(L"Quarterly review");
  item->set_meeting_status(1);
  for (int i = 0; i < attendees; ++i) {
    if (i < exchange) {
      const std::wstring name = L"Exchange User " + std::to_wstring(i);
      outlook.add_entry(host::directory_entry::kind::exchange_user, name,
                        L"exchange" + std::to_wstring(i) + L"@example.com");
      item->add_recipient(name, 1);
    } else {
      item->add_recipient(L"guest" + std::to_wstring(i) + L"@example.com", 1);
    }
  }
  const auto text = [&](const wchar_t* name, const wchar_t* value) {
    item->add_property(name, 1);
    mivo::com::unique_variant v;
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(value);
    item->set_property_value(name, v);
  };
  text(L"MIVO",
       L"{\"Duration\":30,\"IsRecurring\":0,\"MeetingKey\":\"9100000001\",\"OrStart\":47484.5,"
       L"\"Start\":47484.5,\"Subject\":\"Quarterly review\",\"enterMeetMute\":false}");
  text(L"CLOSE", L"1");
  outlook.save(*item);
  return item;
}

void measure_open(outlook_host& outlook_host_, int runs, int attendees, int exchange) {
  host::session& outlook = outlook_host_.outlook();
  const auto item = meeting_with_attendees(outlook, attendees, exchange);
  std::vector<double> new_inspector, open, both;
  for (int run = 0; run < runs; ++run) {
    host::addin_calls::record_timings(true);
    outlook.display(*item);
    const auto timings = host::addin_calls::take_timings();
    host::addin_calls::record_timings(false);
    const double a = milliseconds_of(timings, "InspectorsEvents.NewInspector");
    const double b = milliseconds_of(timings, "ItemEvents.Open");
    new_inspector.push_back(a);
    open.push_back(b);
    both.push_back(a + b);
    outlook.close(*item->inspector(), olDiscard, false);
    outlook_host_.pump();
  }
  std::printf("Opening an appointment with %d attendees, %d Exchange users (%d runs):\n", attendees,
              exchange, runs);
  print_figure("NewInspector (tracker, scheduler object)", new_inspector);
  print_figure("Open (record read, SetSettings)", open);
  print_figure("NewInspector to the end of Open", both);
}

// alice signs in through the main window's button, as a user does once.
void sign_in(outlook_host& outlook_app) {
  mivo::robot::DialogRobot robot;
  robot.expect_dialog(mivo::robot::kAccountDialog)
      .set_text(IDC_ACCOUNT_USERNAME, L"alice")
      .set_text(IDC_ACCOUNT_PASSWORD, L"alice-pass")
      .press(IDOK);
  std::string error;
  const bool clicked =
      outlook_app.click(outlook_app.explorer_window(), "MIVO-00_AccountSetting", error);
  if (!robot.wait() || !clicked)
    throw std::runtime_error("sign-in failed: " + error + robot.report());
}

// A new appointment on its own day whose body holds `bookmarks` lines of a
// word, each with a bookmark of its own, gets an online meeting and is saved
// before it was ever sent: the milliseconds of the Write handler.
double save_new_meeting(outlook_host& outlook_app, int day, int bookmarks) {
  host::session& outlook = outlook_app.outlook();
  const auto item = outlook.create_appointment();
  item->set_subject(L"Notes");
  item->set_start(std::floor(outlook.now()) + day + 9.0 / 24);
  std::wstring words;
  // A line each: the host's editor shades the bookmarks one by one and lays
  // out again the paragraph each lies in, so one long line draws slowly.
  for (int i = 0; i < bookmarks; ++i) words += L"word\r\n";
  item->set_body_text(words.empty() ? L"Notes" : words);
  host::WordDocument& body = *item->fields().body;
  for (int i = 0; i < bookmarks; ++i) {
    const std::wstring name = L"note_" + std::to_wstring(i);
    body.add_bookmark(std::u16string(name.begin(), name.end()), host::Span{i * 5, i * 5 + 4});
  }
  outlook.display(*item);
  outlook_app.pump();
  const HWND window = outlook_app.window_of(*item->inspector());
  {
    mivo::robot::DialogRobot robot;
    robot.expect_dialog(mivo::robot::kMeetingDialog).press(IDOK);
    std::string error;
    const bool clicked = outlook_app.click(window, "Mivo-03_Add", error);
    if (!robot.wait() || !clicked)
      throw std::runtime_error("adding the meeting failed: " + error + robot.report());
  }
  if (!body.find_bookmark(u"MivoMailBody")) throw std::runtime_error("the meeting was not added");
  outlook_app.pump();
  host::addin_calls::record_timings(true);
  outlook.save(*item);
  const double ms = milliseconds_of(host::addin_calls::take_timings(), "ItemEvents.Write");
  host::addin_calls::record_timings(false);
  const auto left =
      body.bookmarks_within({0, body.story_length()}, host::WordDocument::Order::by_position);
  if (body.find_bookmark(u"MivoMailBody") || static_cast<int>(left.size()) != bookmarks)
    throw std::runtime_error("the save did not take the invitation out, or took more");
  outlook.close(*item->inspector(), olDiscard, false);
  outlook_app.pump();
  return ms;
}

void measure_save(outlook_host& outlook_app, int all_runs) {
  // Each run draws a body of 10,000 lines in the host's window three times, which
  // takes the host about a minute.
  const int runs = std::min(all_runs, kSaveRuns);
  sign_in(outlook_app);
  std::vector<double> plain, marked;
  for (int run = 0; run < runs; ++run) {
    plain.push_back(save_new_meeting(outlook_app, 1 + 2 * run, 0));
    marked.push_back(save_new_meeting(outlook_app, 2 + 2 * run, kBookmarks));
  }
  std::printf(
      "Saving a new online meeting before it was sent: Write (the user, the removal on the "
      "service, the invitation out of the body) (%d runs):\n",
      runs);
  print_figure("a body of plain text", plain);
  print_figure("a body with 10,000 bookmarks", marked);
  std::printf("  the bookmarks' share at p50: %+.2f ms\n",
              percentile(marked, 0.5) - percentile(plain, 0.5));
}

void measure_visibility(outlook_host& outlook_host_, int runs) {
  host::session& outlook = outlook_host_.outlook();
  for (int i = 0; i < kOpenWindows; ++i) outlook.display(*outlook.create_appointment());
  outlook_host_.pump();
  host::loaded_addin* addin = outlook_host_.addins().front().get();
  std::vector<double> per_window, oldest, newest;
  const auto windows = outlook.open_inspectors();
  std::size_t calls = 0;
  for (int run = 0; run < runs; ++run) {
    host::addin_calls::record_timings(true);
    outlook_host_.ribbons().invalidate(addin, "");
    for (std::size_t w = 0; w < windows.size(); ++w) {
      double ms = 0;
      outlook_host_.ribbons().refresh(windows[w]->window, &ms);
      per_window.push_back(ms);
      if (w == 0) oldest.push_back(ms);
      if (w + 1 == windows.size()) newest.push_back(ms);
    }
    double explorer = 0;
    outlook_host_.ribbons().refresh(outlook_host_.explorer_window(), &explorer);
    calls = host::addin_calls::take_timings().size();
    host::addin_calls::record_timings(false);
  }
  std::printf(
      "Visibility pass over a window's controls, %zu appointment windows open (%d runs, %zu "
      "callbacks a pass over every window):\n",
      windows.size(), runs, calls);
  print_figure("any window", per_window);
  print_figure("the oldest window (longest search)", oldest);
  print_figure("the newest window", newest);
  for (const auto& inspector : windows) outlook.close(*inspector, olDiscard, false);
  outlook_host_.pump();
}

void measure_windows(outlook_host& outlook_host_) {
  host::session& outlook = outlook_host_.outlook();
  std::printf("%d appointment windows opened and closed:\n", kWindowCycles);
  Usage warm{};
  for (int i = 1; i <= kWindowCycles; ++i) {
    const auto item = outlook.create_appointment();
    outlook.display(*item);
    outlook.close(*item->inspector(), olDiscard, false);
    outlook_host_.pump();
    if (i == 100 || i == 500 || i == kWindowCycles) {
      const Usage now = usage();
      if (i == 100) warm = now;
      std::printf("  after %4d: %lu handles, %zu KiB private\n", i, now.handles,
                  static_cast<std::size_t>(now.private_bytes / 1024));
    }
  }
  const Usage end = usage();
  std::printf(
      "  from 100 to %d: %+ld handles, %+ld KiB private\n", kWindowCycles,
      static_cast<long>(end.handles) - static_cast<long>(warm.handles),
      (static_cast<long>(end.private_bytes) - static_cast<long>(warm.private_bytes)) / 1024);
  std::printf("  scheduler objects alive: %s\n",
              can_unload(MIVO_SCHEDULER_DLL_NAME) == S_OK ? "none" : "some");
  outlook_host_.disconnect_addins();
  std::printf("  add-in objects alive once it is turned off (trackers, sinks, connector): %s\n",
              can_unload(L"MivoOutlookPlugin.dll") == S_OK ? "none" : "some");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const int runs = argc > 1 ? std::max(1, _wtoi(argv[1])) : kDefaultRuns;
  try {
    const sched::com_apartment com;
    const sched::SettingsKeyGuard settings;
    const mivo::addin::testing::UserRegistration registration(
        mivo::addin::testing::bin_file(L"MivoOutlookPlugin.dll"));
    if (registration.result() != 0) throw std::runtime_error("the add-in did not register");
    measure_startup(runs);
    outlook_host outlook_host_;
    outlook_host_.start();
    if (outlook_host_.addins().empty() || !outlook_host_.addins().front()->connected())
      throw std::runtime_error("the add-in did not connect");
    measure_open(outlook_host_, runs, kAttendees, kExchangeAttendees);
    measure_open(outlook_host_, runs, kManyAttendees, kManyExchangeAttendees);
    measure_save(outlook_host_, runs);
    measure_visibility(outlook_host_, runs);
    measure_windows(outlook_host_);
    outlook_host_.quit();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "addin_bench: %s\n", e.what());
    return 1;
  }
  return 0;
}

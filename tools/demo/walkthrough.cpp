// mivo-walkthrough: plays the Outlook add-in's part against the reference
// meeting service and tells a newcomer what happens at each step: sign-in
// with the organisation chooser, a new meeting, its update, the instant
// meeting in the browser, the deletion, and what the service received.
// The dialog robot answers every dialog unless --interactive is given.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "dialog_ports.h"
#include "dialog_robot.h"
#include "dialog_test_support.h"
#include "json_text.h"
#include "refservice_client.h"
#include "resource_ids.h"
#include "testing/scheduler_test_support.h"
#include "walkthrough_text.h"
#include "win/resource_library.h"
#include "win/wide_text.h"

namespace {

using mivo::com::com_ptr;
using mivo::win::to_utf8;
using mivo::win::to_wide;
using mivo::com::unique_bstr;
using mivo::robot::DialogRobot;
namespace testing = mivo::scheduler::testing;

// Long enough for a slow machine to show a dialog, short enough that a
// broken flow ends the walkthrough instead of hanging it.
constexpr auto kPatience = std::chrono::seconds(20);

const wchar_t kUserName[] = L"bob";
const wchar_t kPassword[] = L"bob-pass";
const wchar_t kOrganisation[] = L"研发中心";
const wchar_t kMeetingPassword[] = L"2468";

// A step that did not turn out as the add-in needs it: the walkthrough
// stops with this message and exit code 1.
class StepFailed : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

void require(bool condition, const std::string& what) {
  if (!condition) throw StepFailed(what);
}

// Writes straight to the standard output handle, line by line, so that the
// text arrives as UTF-8 and in order whether it goes to a console, a pipe or
// the file the Wine wrapper collects.
void say(const std::string& line = "") {
  const std::string text = line + "\n";
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written,
            nullptr);
}

void heading(const std::string& title) {
  say();
  say("== " + title);
}

std::string hresult_text(HRESULT hr) {
  switch (hr) {
    case S_OK:
      return "S_OK";
    case S_FALSE:
      return "S_FALSE";
    case E_FAIL:
      return "E_FAIL";
    default: {
      char text[16];
      std::snprintf(text, sizeof(text), "0x%08lX", static_cast<unsigned long>(hr));
      return text;
    }
  }
}

std::string quoted(const std::wstring& text) { return "\"" + to_utf8(text) + "\""; }

std::wstring unquoted(const std::string& text) {
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
    return to_wide(text.substr(1, text.size() - 2));
  return to_wide(text);
}

// The robot when it answers the dialogs, nothing when a person does.
class Answers {
 public:
  explicit Answers(bool interactive) {
    if (!interactive) robot_.emplace(kPatience);
  }

  DialogRobot* robot() { return robot_ ? &*robot_ : nullptr; }

  // After the flow: every scripted step ran, and no warning came up unless
  // the step allows it.
  void check(const std::string& step) {
    if (!robot_) return;
    const bool passed = robot_->wait();
    for (const auto& box : robot_->message_boxes())
      say("  a warning came up: " + quoted(box.caption) + " " + quoted(box.text));
    require(passed, step + ": the dialogs did not go as expected\n" + robot_->report());
    require(robot_->message_boxes().empty(), step + ": the scheduler showed a warning");
  }

 private:
  std::optional<DialogRobot> robot_;
};

class Walkthrough {
 public:
  explicit Walkthrough(bool interactive) : interactive_(interactive) {}

  void run() {
    prepare();
    sign_in();
    schedule();
    reschedule();
    instant_meeting();
    remove();
    finish();
  }

 private:
  void prepare() {
    heading("Setting the scene");
    require(
        mivo::scheduler::resource_library() != nullptr,
        "MivoOlkRes.dll is not beside the program (" + to_utf8(testing::program_folder()) + ")");
    const std::string site = mivo::scheduler::make_user_interface()->load_string(IDS_SERVICE_URL);
    require(site == service_.base_url(),
            "MivoOlkRes.dll points at " + site + ", but the reference service is expected at " +
                service_.base_url() +
                " (MIVO_REFSERVICE_PORT must be the port the build was made for)");
    try {
      service_.reset();
    } catch (const std::exception& e) {
      throw StepFailed("the reference service does not answer at " + service_.base_url() + ": " +
                       e.what());
    }
    SetWindowTextW(window_.get(), L"Outlook (stand-in) - Mivo walkthrough");
    // A label inside, for whoever watches the display; it goes with its parent.
    CreateWindowExW(
        0, L"STATIC",
        L"This window stands in for Outlook's main window. The scheduler's dialogs open "
        L"over it; the console tells what happens at each step.",
        WS_CHILD | WS_VISIBLE, 20, 20, 880, 40, window_.get(), nullptr, nullptr, nullptr);
    say("The reference meeting service runs at " + service_.base_url() +
        "; MivoOlkRes.dll beside the scheduler points there.");
    say("A visible window plays Outlook's main window. A click makes it the active window, which");
    say("owns the dialogs the scheduler shows; when no window is active (an appointment window");
    say("closing, another program in front), the request dialogs run over the program's");
    say("foreground window, or on their own.");
    say(interactive_ ? "You answer the dialogs yourself."
                     : "The dialog robot answers every dialog.");
    request_ = testing::create_meeting_request();
    say("The scheduler object comes from " + to_utf8(testing::program_folder()) +
        "\\MivoScheduler64.dll through its DllGetClassObject, as the add-in creates it.");
  }

  void sign_in() {
    heading("1. Sign in as bob, a member of several organisations (AccountSetting)");
    say("The user clicks the account button; the add-in calls AccountSetting().");
    user_clicks_in_the_window();
    Answers answers(interactive_);
    if (DialogRobot* robot = answers.robot()) {
      robot->expect_dialog(mivo::robot::kAccountDialog)
          .read(IDOK)
          .set_text(IDC_ACCOUNT_USERNAME, kUserName)
          .set_text(IDC_ACCOUNT_PASSWORD, kPassword)
          .press(IDOK);
      robot->expect_dialog(mivo::robot::kTenancyDialog)
          .read(IDC_TENANCY_LIST)
          .read(IDOK)
          .select_text(IDC_TENANCY_LIST, kOrganisation)
          .press(IDOK);
    } else {
      say("  Please sign in as bob / bob-pass, then choose an organisation.");
    }
    const HRESULT hr = request_->AccountSetting();
    if (DialogRobot* robot = answers.robot()) {
      auto account = robot->result(0);
      if (account.ran) {
        say("  the robot types " + to_utf8(kUserName) + " / " +
            mivo::demo::masked(to_utf8(kPassword)) + " into " + quoted(account.caption) +
            " and presses " + to_utf8(account.controls[IDOK].text));
      }
      auto chooser = robot->result(1);
      if (chooser.ran) {
        say("  the service knows bob in several organisations, so the scheduler shows " +
            quoted(chooser.caption) + ", listing:");
        for (const auto& entry : chooser.controls[IDC_TENANCY_LIST].items)
          say("      " + to_utf8(entry));
        say("  the robot chooses " + to_utf8(kOrganisation) + " and presses " +
            to_utf8(chooser.controls[IDOK].text));
      }
    }
    answers.check("sign-in");
    say("  AccountSetting() = " + hresult_text(hr));
    require(hr == S_OK, "the sign-in did not succeed");
    print_settings();
    print_exchanges();
  }

  void print_settings() {
    say("  stored under HKEY_CURRENT_USER\\Software\\Mivo_Outlook\\General:");
    for (const char* name :
         {mivo::setting::kSiteName, mivo::setting::kUserName, mivo::setting::kPassword,
          mivo::setting::kToken, mivo::setting::kOrgName}) {
      const std::string value = testing::setting(name);
      const bool password = std::string(name) == mivo::setting::kPassword;
      const std::string shown = password        ? mivo::demo::password_preview(value)
                                : value.empty() ? "(not set)"
                                                : value;
      char line[48];
      std::snprintf(line, sizeof(line), "      %-13s ", name);
      say(line + shown);
    }
  }

  void schedule() {
    heading("2. Turn a new appointment into an online meeting (Commit)");
    SYSTEMTIME now{};
    GetLocalTime(&now);
    const auto start = mivo::demo::next_day_at(
        {now.wYear, now.wMonth, now.wDayOfWeek, now.wDay, now.wHour, now.wMinute, now.wSecond, 0},
        10, 0);
    require(start.has_value(), "tomorrow's date cannot be formed");
    appointment_.subject = "季度评审 Quarterly review";
    appointment_.start = *start;
    appointment_.duration_minutes = 45;
    appointment_.recipients = {{"bob@example.com", "Bob Martin"},
                               {"li.lei@example.com", "李雷"},
                               {"alice@example.com", "Alice Walker"}};
    say("The user opens a new appointment: " + quoted(to_wide(appointment_.subject)) + ", " +
        mivo::demo::describe_date(appointment_.start) + " local, " +
        std::to_string(appointment_.duration_minutes) +
        " minutes, organiser bob and two recipients.");
    const std::string record = mivo::demo::appointment_record(appointment_);
    say("The add-in writes its appointment record (OLE Automation dates, non-ASCII escaped):");
    say("      " + record.substr(0, record.size() - 1));
    sink_.subject = to_wide(appointment_.subject);

    say("  Advise(SINK_SETTINGS, sink) = " + hresult_text(request_->Advise(SINK_SETTINGS, &sink_)) +
        "   (the appointment window's tracker)");
    say("  SetSettings(true, \"\", record) = " + hresult_text(load(true, record)) +
        "   (the window opens)");
    call(
        "SimpleUpdate(window)", [&] { return request_->SimpleUpdate(parent()); },
        "the user refresh: UserInfo with the stored token");
    say("  SetSettings(false, \"\", record) = " + hresult_text(load(false, record)) +
        "   (read again before Commit)");
    say("  Commit(window): a new meeting, so the meeting options dialog comes first");
    user_clicks_in_the_window();
    commit_new();

    unique_bstr body;
    unique_bstr settings;
    say("  GetMailBody(&body, &settings) = " +
        hresult_text(request_->GetMailBody(body.put(), settings.put())));
    print_invitation(body.get());
    const auto settings_record =
        mivo::refservice::parse_json(mivo::win::bstr_to_utf8(settings.get()));
    require(settings_record.has_value(), "GetMailBody gave no meeting settings record");
    meeting_key_ = (*settings_record)["MeetingKey"].asString();
    require(!meeting_key_.empty(), "the meeting settings record has no meeting key");
    const std::string readable = mivo::refservice::write_json(*settings_record);
    say("  the meeting settings record (the add-in keeps it in the item's \"MIVO\" property):");
    say("      " + readable);
    say("  written back through the sink: subject " + quoted(sink_.subject) + ", location " +
        quoted(sink_.location));
    print_sink_calls();
    print_exchanges();
  }

  void commit_new() {
    Answers answers(interactive_);
    if (DialogRobot* robot = answers.robot()) {
      robot->expect_dialog(mivo::robot::kMeetingDialog)
          .check(IDC_MEETING_MUTE, true)
          .read(IDC_MEETING_MUTE)
          .set_text(IDC_MEETING_PASSWORD, kMeetingPassword)
          .read(IDOK)
          .press(IDOK);
    } else {
      say("  Please choose the meeting options (mute, a four-digit password) and press OK.");
    }
    sink_.calls.clear();
    const HRESULT hr = request_->Commit(parent());
    if (DialogRobot* robot = answers.robot()) {
      auto options = robot->result(0);
      if (options.ran) {
        say("  the robot ticks " + quoted(options.controls[IDC_MEETING_MUTE].text) +
            ", types the password " + to_utf8(kMeetingPassword) + " into " +
            quoted(options.caption) + " and presses " + to_utf8(options.controls[IDOK].text));
      }
    }
    answers.check("Commit of the new meeting");
    say("  Commit(window) = " + hresult_text(hr));
    require(hr == S_OK, "the meeting was not created");
  }

  void reschedule() {
    heading("3. Move the meeting and rename it (Commit of a change)");
    appointment_.start += 90 / (24.0 * 60.0);
    appointment_.subject = "季度评审（改期）Quarterly review, moved";
    sink_.subject = to_wide(appointment_.subject);
    say("The user moves the appointment to " + mivo::demo::describe_date(appointment_.start) +
        " and renames it " + quoted(sink_.subject) + ", then presses Send.");
    user_clicks_in_the_window();
    say("  SetSettings(false, \"\", changed record) = " +
        hresult_text(load(false, mivo::demo::appointment_record(appointment_))));
    ULONG changed = 0xdeadbeef;
    const HRESULT flag_hr = request_->GetMeetingInfoChangedFlag(&changed);
    say("  GetMeetingInfoChangedFlag() = " + hresult_text(flag_hr) +
        ", changed = " + std::to_string(changed));
    require(flag_hr == S_OK && changed == 1, "the change was not noticed");
    sink_.calls.clear();
    call(
        "Commit(window)", [&] { return request_->Commit(parent()); },
        "an update: no options dialog; the conference is looked up, then PUT");
    unique_bstr body;
    request_->GetMailBody(body.put(), nullptr);
    print_invitation(body.get());
    print_sink_calls();
    print_exchanges();
  }

  void instant_meeting() {
    heading("4. Start an instant meeting (StartInstantMeeting)");
    // No desktop client, and https opened by the launch recorder instead of
    // a browser; both keys are put back as they were.
    testing::registry_key_guard client(HKEY_CLASSES_ROOT, L"darselVantor");
    testing::registry_key_guard browser(HKEY_CLASSES_ROOT, L"https");
    testing::set_string(HKEY_CLASSES_ROOT, L"https\\shell\\open\\command", nullptr,
                        L"\"" + testing::recorder_path() + L"\" \"%1\"");
    testing::LaunchRecords launches;
    say("No desktop meeting client is registered (HKCR\\darselVantor), so the scheduler falls "
        "back");
    say("to the browser; here the https handler is launch_recorder.exe, which notes what it got.");
    user_clicks_in_the_window();
    call("StartInstantMeeting(window)", [&] { return request_->StartInstantMeeting(parent()); });
    const auto started = launches.collect();
    require(started.size() == 1,
            "expected one browser launch, saw " + std::to_string(started.size()));
    const std::wstring address = unquoted(testing::argument_after_program(started[0].command_line));
    say("  the browser opens " + to_utf8(address));
    const auto query = mivo::demo::join_query(to_utf8(address), service_.base_url());
    require(query.has_value(), "the browser was not sent to the service's join page");
    say("  its Base64 part is the join query:");
    for (const auto& piece : mivo::demo::split(*query, '&')) say("      " + piece);
    print_exchanges();
  }

  void remove() {
    heading("5. Delete the meeting (Delete)");
    say("The user deletes the appointment; the add-in refreshes the user and calls Delete.");
    say_which_window_is_active();
    call("SimpleUpdate(window)", [&] { return request_->SimpleUpdate(parent()); });
    say("  SetSettings(false, \"\", record) = " +
        hresult_text(load(false, mivo::demo::appointment_record(appointment_))));
    call("Delete(window)", [&] { return request_->Delete(parent()); });
    print_exchanges();

    const Json::Value meetings = service_.meetings();
    say("  the service now stores " + std::to_string(meetings.size()) + " meeting(s)");
    require(meetings.empty(), "the service still has the meeting");
    const auto lookup = service_.send("GET", "/rest/api/conference/schedule/" + meeting_key_, "",
                                      {{"token", testing::setting(mivo::setting::kToken)}});
    const auto answer = mivo::refservice::parse_json(lookup.body);
    say("  asked for meeting " + meeting_key_ + " it answers: " +
        (answer ? (*answer)["code"].asString() + " " + (*answer)["msg"].asString() : lookup.body));
    service_.clear_requests();
  }

  void finish() {
    heading("6. The appointment window closes (UnAdvise, Release)");
    say("  UnAdvise(SINK_SETTINGS) = " + hresult_text(request_->UnAdvise(SINK_SETTINGS)));
    request_.reset();
    say("  the scheduler object is released; references to the sink left: " +
        std::to_string(sink_.references));
    say();
    say("The walkthrough is complete.");
  }

  // A click in the stand-in makes it the active window, as in Outlook; the
  // dialogs that need an owner (account, meeting options) open over it.
  void user_clicks_in_the_window() {
    SetForegroundWindow(window_.get());
    SetActiveWindow(window_.get());
    say_which_window_is_active();
  }

  // Which window owns what the scheduler shows next. The requests do not
  // depend on it: without an active window they still go out.
  void say_which_window_is_active() {
    const HWND active = GetActiveWindow();
    if (active == window_.get()) {
      say("  (the stand-in window is active: it owns the scheduler's dialogs)");
    } else if (!active) {
      say("  (no window of the walkthrough is active: the request dialogs run over the "
          "program's foreground window, or on their own)");
    } else {
      say("  (another window of the walkthrough is active: it owns the scheduler's dialogs)");
    }
  }

  // A call that shows no dialog of its own; the robot still watches, so a
  // warning it did not expect ends the walkthrough. Anything but S_OK does.
  void call(const std::string& name, const std::function<HRESULT()>& method,
            const std::string& note = "") {
    Answers answers(interactive_);
    const HRESULT hr = method();
    answers.check(name);
    say("  " + name + " = " + hresult_text(hr) + (note.empty() ? "" : "   (" + note + ")"));
    require(hr == S_OK, name + " did not succeed");
  }

  HRESULT load(bool item_open, const std::string& appointment_record) {
    const unique_bstr empty = mivo::com::make_bstr(L"");
    const unique_bstr record = mivo::win::bstr_from_utf8(appointment_record);
    return request_->SetSettings(item_open ? VARIANT_TRUE : VARIANT_FALSE, empty.get(),
                                 record.get());
  }

  LONG parent() const { return HandleToLong(window_.get()); }

  void print_invitation(BSTR body) {
    require(body != nullptr, "GetMailBody gave no invitation text");
    say("  the invitation, for the appointment body:");
    for (const auto& line : mivo::demo::split(mivo::win::bstr_to_utf8(body), '\n'))
      say("      " + line);
  }

  void print_sink_calls() {
    std::string calls;
    for (const auto& call : sink_.calls) calls += (calls.empty() ? "" : ", ") + to_utf8(call);
    say("  calls on the sink: " + calls);
  }

  // What the service received during the step, from its own record.
  void print_exchanges() {
    const auto requests = service_.requests();
    say("  the service received " + std::to_string(requests.size()) + " request(s):");
    for (const auto& request : requests) {
      for (const auto& line : mivo::demo::describe_request(request)) say("      " + line);
    }
    service_.clear_requests();
  }

  const bool interactive_;
  testing::com_apartment com_;
  testing::SettingsKeyGuard settings_;
  mivo::refservice::Client service_;
  testing::owner_window window_{RECT{60, 40, 1000, 700}};
  testing::TestSettingsSink sink_;
  com_ptr<IMeetingRequest> request_;
  mivo::demo::Appointment appointment_;
  std::string meeting_key_;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  SetConsoleOutputCP(CP_UTF8);
  bool interactive = false;
  for (int i = 1; i < argc; ++i) {
    const std::wstring argument = argv[i];
    if (argument == L"--interactive") {
      interactive = true;
    } else {
      say("usage: mivo-walkthrough [--interactive]");
      return 2;
    }
  }
  try {
    Walkthrough(interactive).run();
    return 0;
  } catch (const StepFailed& failure) {
    say();
    say(std::string("The walkthrough stopped: ") + failure.what());
  } catch (const std::exception& failure) {
    say();
    say(std::string("The walkthrough stopped on an error: ") + failure.what());
  }
  return 1;
}

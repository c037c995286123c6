// The scenario steps as a person (and the robot) would perform them, and
// the state printed after each.
#include "scenario_runner.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

#include "addin_calls.h"
#include "dialog_robot.h"
#include "host_windows.h"
#include "portable/json.h"
#include "portable/oadate.h"
#include "portable/text.h"
#include "recorded_request_text.h"
#include "resource_ids.h"
#include "series.h"
#include "window_tools.h"
#include "win/wide_text.h"

namespace mivo::outlookhost {

using win::to_utf8;
using win::to_wide;

namespace {

// Long enough for a slow machine to show a dialog, short enough that a
// broken flow ends the scenario instead of hanging it.
constexpr auto kPatience = std::chrono::seconds(20);

std::string quoted(const std::wstring& text) { return "\"" + to_utf8(text) + "\""; }

std::string describe_date(double date) { return format_date(date) + " " + format_time(date); }

std::string status_text(long status) {
  switch (status) {
    case olNonMeeting:
      return "appointment";
    case olMeeting:
      return "meeting";
    case olMeetingReceived:
      return "received meeting";
    case olMeetingCanceled:
      return "cancelled meeting";
  }
  return "meeting status " + std::to_string(status);
}

std::string kind_text(const directory_entry& entry) {
  switch (entry.type) {
    case directory_entry::kind::exchange_user:
      return "Exchange user";
    case directory_entry::kind::exchange_agent:
      return "Exchange agent";
    case directory_entry::kind::exchange_list:
      return "Exchange list";
    case directory_entry::kind::smtp:
      break;
  }
  return "SMTP";
}

// The value of a user property as text, as VariantChangeType makes it.
std::wstring property_text(const user_property_data& property) {
  if (property.stored == VT_BSTR) return property.text;
  VARIANT value;
  VariantInit(&value);
  V_VT(&value) = property.stored;
  if (property.stored == VT_BOOL)
    V_BOOL(&value) = property.number ? VARIANT_TRUE : VARIANT_FALSE;
  else if (property.stored == VT_I4)
    V_I4(&value) = static_cast<long>(property.number);
  else
    V_R8(&value) = property.number;  // VT_R8 and VT_DATE share the double
  VARIANT converted;
  VariantInit(&converted);
  std::wstring text;
  if (SUCCEEDED(VariantChangeType(&converted, &value, 0, VT_BSTR)))
    text.assign(V_BSTR(&converted), SysStringLen(V_BSTR(&converted)));
  VariantClear(&converted);
  return text;
}

// The body with paragraph marks as line ends and bookmarks marked
// "⟦Name …⟧", positions as Word counts them. The story's final paragraph
// mark is left out; a bookmark that takes it in closes after the text.
std::string marked_body(const WordDocument& story) {
  const std::u16string& text = story.text();
  const int shown = static_cast<int>(text.size()) - 1;
  std::vector<std::pair<int, std::u16string>> marks;  // (position * 2 + 1 for starts, * 2 for ends)
  for (auto id :
       story.bookmarks_within({0, story.story_length()}, WordDocument::Order::by_position)) {
    const Span span = story.bookmark_span(id);
    marks.push_back({std::min(span.start, shown) * 2 + 1, u"⟦" + story.bookmark_name(id) + u" "});
    marks.push_back({std::min(span.end, shown) * 2, u"⟧"});
  }
  std::stable_sort(marks.begin(), marks.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::u16string out;
  std::size_t next = 0;
  for (int i = 0; i <= shown; ++i) {
    while (next < marks.size() && marks[next].first <= i * 2 + 1) out += marks[next++].second;
    if (i < shown) out += text[i] == u'\r' ? u'\n' : text[i];
  }
  return utf16_to_utf8(out);
}

std::string indented(const std::string& text, const std::string& prefix) {
  std::string out;
  std::size_t start = 0;
  while (start <= text.size()) {
    const auto end = text.find('\n', start);
    out += prefix + text.substr(start, end == std::string::npos ? std::string::npos : end - start) +
           "\n";
    if (end == std::string::npos) break;
    start = end + 1;
  }
  if (!out.empty()) out.pop_back();
  return out;
}

}  // namespace

scenario_runner::scenario_runner(outlook_host& host, runner_options options, output say)
    : host_(host),
      options_(options),
      say_(std::move(say)),
      service_(std::make_unique<refservice::Client>()) {
  addin_calls::record_timings(options_.timings);
}

scenario_runner::~scenario_runner() = default;

bool scenario_runner::fail(const std::string& why) {
  last_error_ = why;
  say_("     FAILED: " + why);
  return false;
}

HWND scenario_runner::current_window() const {
  if (window_ && IsWindow(window_)) return window_;
  return host_.explorer_window();
}

item_base* scenario_runner::current_item() const { return item_.get(); }

std::wstring scenario_runner::text(const Step& step, std::size_t index) const {
  return to_wide(step.arguments.at(index).text);
}

namespace {

// A date argument ("today", "+3d" and the like count from the local day) at
// a time of that day, as an OLE Automation date.
double date_argument(const Step& step, std::size_t index, int hour, int minute, int second) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  CalendarDate today{now.wYear, now.wMonth, now.wDay}, date;
  parse_date(step.arguments.at(index).text, today, date);
  SystemTime fields;
  fields.year = date.year;
  fields.month = date.month;
  fields.day = date.day;
  fields.hour = hour;
  fields.minute = minute;
  fields.second = second;
  double serial = 0;
  system_time_to_variant_time(fields, serial);
  return serial;
}

}  // namespace

double scenario_runner::date_of(const Step& step, std::size_t index) const {
  int hour = 0, minute = 0, second = 0;
  parse_time(step.arguments.at(index + 1).text, hour, minute, second);
  return date_argument(step, index, hour, minute, second);
}

double scenario_runner::day_of(const Step& step, std::size_t index) const {
  return date_argument(step, index, 0, 0, 0);
}

bool scenario_runner::run(const Scenario& scenario) {
  for (const auto& s : scenario.steps) {
    if (!step(s)) return false;
  }
  say_("");
  say_("The scenario ran to its end.");
  return true;
}

// What each step kind does, beside the grammar table of the language:
// answers queue the robot's part for the next action, actions run through
// the windows. Checks are the switch of check().
const std::map<StepKind, scenario_runner::handler>& scenario_runner::handlers() {
  static const std::map<StepKind, handler> table = {
      {StepKind::Start, &scenario_runner::start},
      {StepKind::Quit, &scenario_runner::quit},
      {StepKind::Disconnect, &scenario_runner::disconnect},
      {StepKind::Connect, &scenario_runner::connect},
      {StepKind::Clock, &scenario_runner::clock},
      {StepKind::Directory, &scenario_runner::directory},
      {StepKind::Window, &scenario_runner::choose_window},
      {StepKind::Print, &scenario_runner::print},
      {StepKind::Picture, &scenario_runner::picture},
      {StepKind::Invariants, &scenario_runner::invariants},
      {StepKind::Click, &scenario_runner::click},
      {StepKind::NewAppointment, &scenario_runner::new_item},
      {StepKind::NewMeeting, &scenario_runner::new_item},
      {StepKind::Open, &scenario_runner::open_item},
      {StepKind::OpenOccurrence, &scenario_runner::open_occurrence},
      {StepKind::OpenRequest, &scenario_runner::open_item},
      {StepKind::DeleteItem, &scenario_runner::open_item},
      {StepKind::Copy, &scenario_runner::copy_item},
      {StepKind::CopyToCalendar, &scenario_runner::copy_item},
      {StepKind::ReceiveRequest, &scenario_runner::receive_request},
      {StepKind::Type, &scenario_runner::type},
      {StepKind::TypeWithoutLeaving, &scenario_runner::type},
      {StepKind::SetStart, &scenario_runner::set_time},
      {StepKind::SetEnd, &scenario_runner::set_time},
      {StepKind::SetDuration, &scenario_runner::set_time},
      {StepKind::SetRecurrence, &scenario_runner::set_recurrence},
      {StepKind::AddAttendee, &scenario_runner::add_attendee},
      {StepKind::Send, &scenario_runner::press_command},
      {StepKind::Save, &scenario_runner::press_command},
      {StepKind::SaveAndClose, &scenario_runner::press_command},
      {StepKind::Delete, &scenario_runner::press_command},
      {StepKind::CancelMeeting, &scenario_runner::press_command},
      {StepKind::Close, &scenario_runner::close_window},
      {StepKind::AnswerSignIn, &scenario_runner::answer_sign_in},
      {StepKind::AnswerOrganisation, &scenario_runner::answer_organisation},
      {StepKind::AnswerMeetingOptions, &scenario_runner::answer_meeting_options},
      {StepKind::AnswerSignOut, &scenario_runner::answer_sign_out},
      {StepKind::AnswerAbout, &scenario_runner::answer_about},
      {StepKind::AnswerMessage, &scenario_runner::answer_message},
      {StepKind::Fault, &scenario_runner::fault},
  };
  return table;
}

bool scenario_runner::step(const Step& s) {
  say_((is_check(s.kind) ? "     " : "\n") + std::string("[") + std::to_string(s.line) + "] " +
       s.source);
  if (is_check(s.kind)) return check(s);
  if (prepares_next_action(s.kind)) {
    step_context context{s, s.arguments, nullptr, {}};
    prepared_.push_back(s);
    return (this->*handlers().at(s.kind))(context) || fail(context.error);
  }
  return action(s);
}

// --- the robot's answers ----------------------------------------------------

void scenario_runner::queue(const robot::ControlIds& dialog,
                            std::function<void(robot::Step&)> actions, std::string note) {
  const int times = standing_times_;
  answer what = [dialog, actions, times](robot::DialogRobot& r, bool standing) {
    actions(standing ? r.whenever_dialog(dialog, times) : r.expect_dialog(dialog));
  };
  if (queue_standing_) {
    standing_.push_back(std::move(what));
    return;
  }
  answers_.push_back(std::move(what));
  answer_notes_.push_back(std::move(note));
}

bool scenario_runner::answer_sign_in(step_context& c) {
  if (c.a.size() == 1) {
    queue(robot::kAccountDialog, [](robot::Step& d) { d.press(IDCANCEL); },
          "Please cancel the sign-in dialog.");
    return true;
  }
  const std::wstring user = text(c.step, 0), password = text(c.step, 1);
  queue(
      robot::kAccountDialog,
      [user, password](robot::Step& d) {
        d.set_text(IDC_ACCOUNT_USERNAME, user).set_text(IDC_ACCOUNT_PASSWORD, password).press(IDOK);
      },
      "Please sign in as " + c.a[0].text + " / " + c.a[1].text + ".");
  return true;
}

bool scenario_runner::answer_organisation(step_context& c) {
  if (c.word(0) == "cancel") {
    queue(robot::kTenancyDialog, [](robot::Step& d) { d.press(IDCANCEL); },
          "Please cancel the choice of organisation.");
    return true;
  }
  const std::wstring name = text(c.step, 0);
  queue(
      robot::kTenancyDialog,
      [name](robot::Step& d) { d.select_text(IDC_TENANCY_LIST, name).press(IDOK); },
      "Please choose the organisation " + c.a[0].text + ".");
  return true;
}

bool scenario_runner::answer_meeting_options(step_context& c) {
  bool mute = false;
  std::wstring password;
  for (std::size_t i = 0; i + 1 < c.a.size(); ++i) {
    if (c.word(i) == "mute") mute = true;
    if (c.word(i) == "password") password = text(c.step, ++i);
  }
  const int button = c.a.back().text == "ok" ? IDOK : IDCANCEL;
  queue(
      robot::kMeetingDialog,
      [mute, password, button](robot::Step& d) {
        d.check(IDC_MEETING_MUTE, mute);
        if (!password.empty()) d.set_text(IDC_MEETING_PASSWORD, password);
        d.press(button);
      },
      std::string("Please ") + (mute ? "tick mute, " : "") +
          (password.empty() ? "" : "set the password " + to_utf8(password) + ", ") +
          "and press " + (button == IDOK ? "OK" : "Cancel") + " in the meeting options.");
  return true;
}

bool scenario_runner::answer_sign_out(step_context& c) {
  const int button = c.a[0].text == "ok" ? IDOK : IDCANCEL;
  queue(robot::kCancellationDialog, [button](robot::Step& d) { d.press(button); },
        "Please answer " + c.a[0].text + " to signing out.");
  return true;
}

bool scenario_runner::answer_about(step_context&) {
  queue(robot::kAboutDialog, [](robot::Step& d) { d.press(IDOK); },
        "Please close the about box.");
  return true;
}

bool scenario_runner::answer_message(step_context& c) {
  const std::string& choice = c.a[0].text;
  const int button = choice == "ok"       ? IDOK
                     : choice == "cancel" ? IDCANCEL
                     : choice == "yes"    ? IDYES
                                          : IDNO;
  if (queue_standing_) {
    c.error = "a message box takes no standing answer";
    return false;
  }
  answers_.push_back([button](robot::DialogRobot& r, bool) {
    r.expect_message_box().read_text().answer(button);
  });
  answer_notes_.push_back("Please answer the message box with " + choice + ".");
  return true;
}

bool scenario_runner::set_standing_answers(const std::vector<standing_answer>& answers) {
  standing_.clear();
  standing_lines_.clear();
  queue_standing_ = true;
  bool all = true;
  for (const auto& a : answers) {
    step_context context{a.step, a.step.arguments, nullptr, {}};
    standing_times_ = a.times;
    const bool taken = a.step.kind >= StepKind::AnswerSignIn &&
                       a.step.kind < StepKind::AnswerMessage &&
                       (this->*handlers().at(a.step.kind))(context);
    if (taken) standing_lines_.push_back(a.step.source);
    all = all && taken;
  }
  queue_standing_ = false;
  standing_times_ = 0;
  return all;
}

// Every fault is for one request of the next action, on any path; the
// status fault answers a gateway's error page, as a proxy in front of a
// service that is down would.
bool scenario_runner::fault(step_context& c) {
  Json::Value fault(Json::objectValue);
  fault["path"] = "*";
  fault["times"] = 1;
  const std::string kind = c.word(0);
  std::size_t next = 1;
  if (kind == "drop") {
    fault["drop"] = true;
  } else if (kind == "late") {
    fault["lost"] = true;
  } else if (kind == "malformed" || kind == "empty") {
    fault[kind] = true;
  } else if (kind == "status") {
    fault["status"] = std::stoi(c.a[1].text);
    fault["body"] = "<html><body><h1>" + c.a[1].text + " Bad Gateway</h1></body></html>";
    fault["content_type"] = "text/html";
    next = 2;
  } else {
    fault["code"] = std::stoi(c.a[1].text);
    next = 2;
  }
  fault_request_ = next < c.a.size() ? std::stoi(c.a[next + 1].text) : 1;
  if (fault_request_ < 1) fault_request_ = 1;
  fault["skip"] = fault_request_ - 1;
  fault_ = fault;
  return true;
}

// --- actions ------------------------------------------------------------------

bool scenario_runner::action(const Step& s) {
  std::optional<robot::DialogRobot> robot;
  if (!options_.interactive) {
    robot.emplace(kPatience);
    for (const auto& a : answers_) a(*robot, false);
    for (const auto& a : standing_) a(*robot, true);
    robot->answer_other_message_boxes(IDOK);
  } else {
    for (const auto& note : answer_notes_) say_("     " + note);
  }
  answers_.clear();
  answer_notes_.clear();
  messages_.clear();
  shown_.clear();
  standing_given_.clear();
  const std::vector<Step> prepared = std::move(prepared_);
  prepared_.clear();
  last_fault_request_ = 0;
  if (fault_) {
    try {
      service_->add_fault(*fault_);
      last_fault_request_ = fault_request_;
    } catch (const std::exception& e) {
      fault_.reset();
      return fail(std::string("the reference service took no fault: ") + e.what());
    }
  }

  // Starting again makes a new session: it is looked up after the step.
  const auto open_before = host_.outlook().open_inspectors();
  const std::size_t sent_before = host_.outlook().sent().size();
  step_context context{s, s.arguments, robot ? &*robot : nullptr, {}};
  const bool done = (this->*handlers().at(s.kind))(context);
  host_.pump();

  if (fault_) {
    // A fault the action did not reach is not left for the next one.
    fault_.reset();
    try {
      service_->clear_faults();
    } catch (const std::exception&) {
    }
  }
  if (robot) {
    const bool passed = robot->wait();
    shown_ = robot->shown();
    for (std::size_t given : robot->standing_given()) standing_given_.push_back(standing_lines_.at(given));
    for (const auto& shown : shown_) {
      if (shown.message_box) {
        messages_.push_back(shown.text);
        say_("     a message box: " + quoted(shown.caption) + " " + quoted(shown.text));
      } else {
        say_("     a dialog: " + quoted(shown.caption));
      }
    }
    if (!passed) return fail("the dialogs did not go as the script says\n" + robot->report());
  }
  if (!done) return fail(context.error);

  // What the step opened becomes current.
  session& outlook = host_.outlook();
  for (const auto& inspector : outlook.open_inspectors()) {
    if (std::find(open_before.begin(), open_before.end(), inspector) == open_before.end()) {
      window_ = inspector->window;
      item_ = com::com_ptr<item_base>(&inspector->item());
    }
  }
  if (inspector_object* inspector = host_.inspector_of(current_window()))
    item_ = com::com_ptr<item_base>(&inspector->item());
  if (s.kind == StepKind::Send || s.kind == StepKind::CancelMeeting)
    last_sent_ = outlook.sent().size() > sent_before;

  report_after(s);
  if (watch_) {
    const std::string problem = watch_->after(s, prepared, *this);
    if (!problem.empty()) return fail(problem);
  }
  return true;
}

inspector_object* scenario_runner::item_window(step_context& c) const {
  inspector_object* inspector = host_.inspector_of(current_window());
  if (!inspector) c.error = "the current window is not an item window";
  return inspector;
}

bool scenario_runner::start(step_context&) {
  host_.start();
  return true;
}

bool scenario_runner::quit(step_context&) {
  // The runner lets go of its item first: what is still held after the
  // shut-down is the add-ins'.
  item_.reset();
  window_ = nullptr;
  host_.quit();
  return true;
}

bool scenario_runner::disconnect(step_context&) {
  host_.disconnect_addins();
  return true;
}

bool scenario_runner::connect(step_context&) {
  host_.connect_addins();
  return true;
}

bool scenario_runner::clock(step_context& c) {
  session& outlook = host_.outlook();
  if (c.a[0].text == "real")
    outlook.real_clock();
  else if (c.word(0) == "advance")
    outlook.advance_clock(std::stod(c.a[1].text));
  else
    outlook.fix_clock(date_of(c.step, 0));
  return true;
}

bool scenario_runner::directory(step_context& c) {
  const std::string& kind = c.a[0].text;
  host_.outlook().add_entry(kind == "exchange-user"    ? directory_entry::kind::exchange_user
                            : kind == "exchange-agent" ? directory_entry::kind::exchange_agent
                                                       : directory_entry::kind::exchange_list,
                            text(c.step, 1), text(c.step, 2));
  return true;
}

bool scenario_runner::choose_window(step_context& c) {
  if (c.word(0) == "explorer") {
    window_ = nullptr;
    return true;
  }
  const auto open = host_.outlook().open_inspectors();
  const std::size_t n = std::stoul(c.a[0].text);
  if (n < 1 || n > open.size()) {
    c.error = "there are " + std::to_string(open.size()) + " item windows open";
    return false;
  }
  window_ = open[n - 1]->window;
  item_ = com::com_ptr<item_base>(&open[n - 1]->item());
  return true;
}

bool scenario_runner::print(step_context&) {
  print_ribbon(current_window(), true);
  print_item(true);
  return true;
}

bool scenario_runner::picture(step_context& c) {
  host_.pump();
  if (robot::save_window_picture(current_window(), text(c.step, 0))) return true;
  c.error = "the picture could not be saved to " + c.a[0].text;
  return false;
}

bool scenario_runner::invariants(step_context& c) {
  if (!watch_factory_) {
    c.error = "this program checks no invariants";
    return false;
  }
  watch_ = watch_factory_();
  return true;
}

bool scenario_runner::click(step_context& c) {
  return host_.click(current_window(), c.a[0].text, c.error);
}

bool scenario_runner::new_item(step_context& c) {
  const bool meeting = c.step.kind == StepKind::NewMeeting;
  return host_.press(host_.explorer_window(), meeting ? kNewMeetingButton : kNewAppointmentButton,
                     c.error);
}

com::com_ptr<item_base> scenario_runner::find_item(step_context& c, bool request) const {
  // The n-th item of that subject, counting folder by folder in this order.
  std::size_t wanted = c.a.size() > 1 ? std::stoul(c.a[1].text) : 1;
  for (auto folder : {folder_id::calendar, folder_id::inbox, folder_id::deleted_items,
                      folder_id::sent_items}) {
    for (const auto& candidate : host_.outlook().items(folder)) {
      if (request == candidate->is_appointment() || candidate->fields().subject != text(c.step, 0))
        continue;
      if (--wanted == 0) return candidate;
    }
  }
  c.error = "no item has the subject " + c.a[0].text +
            (c.a.size() > 1 ? " as number " + c.a[1].text : std::string());
  return nullptr;
}

bool scenario_runner::open_item(step_context& c) {
  session& outlook = host_.outlook();
  const StepKind kind = c.step.kind;
  com::com_ptr<item_base> found = find_item(c, kind == StepKind::OpenRequest);
  if (!found) return false;
  item_ = found;
  if (kind == StepKind::DeleteItem)
    outlook.remove(*found);
  else
    outlook.display(*found);
  return true;
}

bool scenario_runner::open_occurrence(step_context& c) {
  session& outlook = host_.outlook();
  const double day = day_of(c.step, 1);
  for (const auto& candidate : outlook.items(folder_id::calendar)) {
    if (!candidate->fields().recurrence || candidate->fields().subject != text(c.step, 0)) continue;
    // One already open is brought to the front, as Outlook does.
    com::com_ptr<item_base> found;
    for (const auto& inspector : outlook.open_inspectors()) {
      item_base& open = inspector->item();
      if (open.master() == candidate.get() && std::floor(open.fields().start) == day)
        found = com::com_ptr<item_base>(&open);
    }
    if (!found) {
      auto occurrence = outlook.occurrence(static_cast<appointment_item&>(*candidate), day);
      if (!occurrence) {
        c.error = "the series " + c.a[0].text + " has no occurrence on " + c.a[1].text;
        return false;
      }
      found = com::com_ptr<item_base>(occurrence.get());
    }
    item_ = found;
    outlook.display(*found);
    return true;
  }
  c.error = "no series has the subject " + c.a[0].text;
  return false;
}

bool scenario_runner::copy_item(step_context& c) {
  com::com_ptr<item_base> found = find_item(c, false);
  if (!found) return false;
  auto& source = static_cast<appointment_item&>(*found);
  const bool to_calendar = c.step.kind == StepKind::CopyToCalendar;
  auto copied = host_.outlook().copy(source, to_calendar ? folder_id::calendar : source.folder(),
                                     to_calendar);
  item_ = com::com_ptr<item_base>(copied.get());
  return true;
}

bool scenario_runner::receive_request(step_context& c) {
  auto request = host_.outlook().receive_request(text(c.step, 0), text(c.step, 1),
                                                 date_of(c.step, 2), std::stol(c.a[4].text));
  item_ = com::com_ptr<item_base>(request.get());
  return true;
}

bool scenario_runner::type(step_context& c) {
  if (!item_window(c)) return false;
  const std::string& field = c.a[0].text;
  const int id = field == "subject"    ? kSubjectField
                 : field == "location" ? kLocationField
                 : field == "to"       ? kToField
                 : field == "optional" ? kOptionalField
                                       : kBodyField;
  HWND control = GetDlgItem(current_window(), id);
  if (c.step.kind == StepKind::TypeWithoutLeaving) SetFocus(control);
  // The body is typed over whole, invitation and all.
  if (id == kBodyField) host_.inspector_of(current_window())->item().replace_body_text(text(c.step, 1));
  SetWindowTextW(control, text(c.step, 1).c_str());
  if (c.step.kind == StepKind::Type && (id == kToField || id == kOptionalField))
    commit_recipient_fields(current_window());
  return true;
}

bool scenario_runner::set_time(step_context& c) {
  inspector_object* inspector = item_window(c);
  if (!inspector) return false;
  item_base& item = inspector->item();
  try {
    if (c.step.kind == StepKind::SetStart) item.set_start(date_of(c.step, 0));
    if (c.step.kind == StepKind::SetEnd) item.set_end(date_of(c.step, 0));
    if (c.step.kind == StepKind::SetDuration) item.set_duration(std::stol(c.a[0].text));
  } catch (const std::exception& refused) {
    c.error = refused.what();
    return false;
  }
  return true;
}

// As the user fills in Outlook's recurrence dialog: Outlook works out the
// end date of a series that ends after a number of occurrences, and the
// number of a series that ends on a date (documented: either makes the
// pattern finite).
bool scenario_runner::set_recurrence(step_context& c) {
  inspector_object* inspector = item_window(c);
  if (!inspector) return false;
  item_base& item = inspector->item();
  const std::string& every = c.a[0].text;
  if (every == "none") {
    item.set_recurrence(std::nullopt);
    return true;
  }
  recurrence_data pattern;
  const int first = static_cast<int>(std::floor(item.fields().start));
  SystemTime start_day;
  variant_time_to_system_time(first, start_day);
  pattern.type = every == "daily"         ? olRecursDaily
                 : every == "weekly"      ? olRecursWeekly
                 : every == "monthly-nth" ? olRecursMonthNth
                                          : olRecursMonthly;
  pattern.pattern_start = first;
  // The mask belongs to weekly and n-th weekday patterns (documented); a
  // daily one every n days and a monthly one on a day of the month have none.
  if (every == "weekly" || every == "monthly-nth") pattern.day_of_week_mask = weekday_bit(first);
  if (every == "monthly") pattern.day_of_month = start_day.day;
  if (every == "monthly-nth") pattern.instance = (start_day.day - 1) / 7 + 1;
  std::size_t next = 1;
  const bool named_days =
      every == "weekly" && c.a.size() > 2 && (c.a[1].quoted || c.a[1].text != "until");
  if (named_days) {
    static const char* const kDays[] = {"sun", "mon", "tue", "wed", "thu", "fri", "sat"};
    pattern.day_of_week_mask = 0;
    for (int i = 0; i < 7; ++i) {
      if (c.a[1].text.find(kDays[i]) != std::string::npos) pattern.day_of_week_mask |= 1L << i;
    }
    if (pattern.day_of_week_mask == 0) {
      c.error = "no day in " + quoted(to_wide(c.a[1].text)) + " (sun mon tue wed thu fri sat)";
      return false;
    }
    next = 2;
  }
  const SeriesPattern days_of{pattern.type,         pattern.interval, pattern.day_of_week_mask,
                              pattern.day_of_month, pattern.instance, first};
  std::vector<int> days;
  if (c.a[next].text == "until") {
    const double end = day_of(c.step, next + 1);
    days = series_days_until(days_of, static_cast<int>(end));
    pattern.pattern_end = end;
  } else {
    days = series_days(days_of, std::stoi(c.a[next].text));
    if (!days.empty()) pattern.pattern_end = days.back();
  }
  if (days.empty()) {
    c.error = "the series would have no occurrence";
    return false;
  }
  pattern.occurrences = static_cast<long>(days.size());
  pattern.no_end_date = false;
  item.set_recurrence(pattern);
  return true;
}

bool scenario_runner::add_attendee(step_context& c) {
  if (!item_window(c)) return false;
  session& outlook = host_.outlook();
  std::wstring name = text(c.step, 1);
  if (c.a[0].text == "smtp" && c.a.size() == 3) {
    outlook.add_entry(directory_entry::kind::smtp, text(c.step, 2), name);
    name = text(c.step, 2);
  } else if (c.a[0].text != "smtp") {
    const auto entry = outlook.resolve(name);
    const std::string want = c.a[0].text;
    const bool right =
        entry &&
        ((want == "exchange-user" && entry->type == directory_entry::kind::exchange_user) ||
         (want == "exchange-agent" && entry->type == directory_entry::kind::exchange_agent) ||
         (want == "exchange-list" && entry->type == directory_entry::kind::exchange_list));
    if (!right) {
      c.error = "the address book has no " + want + " named " + c.a[1].text +
                " (add it with a directory step)";
      return false;
    }
  }
  // Typed into the To field and committed, as a person adds one.
  HWND to = GetDlgItem(current_window(), kToField);
  std::wstring names(static_cast<std::size_t>(GetWindowTextLengthW(to)) + 1, L'\0');
  names.resize(GetWindowTextW(to, names.data(), static_cast<int>(names.size())));
  SetWindowTextW(to, ((names.empty() ? L"" : names + L"; ") + name).c_str());
  commit_recipient_fields(current_window());
  return true;
}

bool scenario_runner::press_command(step_context& c) {
  if (!item_window(c)) return false;
  const StepKind kind = c.step.kind;
  const int command = kind == StepKind::Send           ? kSendButton
                      : kind == StepKind::Save         ? kSaveButton
                      : kind == StepKind::SaveAndClose ? kSaveCloseButton
                      : kind == StepKind::Delete       ? kDeleteButton
                                                       : kCancelMeetingButton;
  return host_.press(current_window(), command, c.error);
}

bool scenario_runner::close_window(step_context& c) {
  inspector_object* inspector = item_window(c);
  if (!inspector) return false;
  commit_recipient_fields(current_window());
  const bool asks = inspector->item().dirty();
  if (asks && c.a.empty()) {
    c.error = "the item has unsaved changes: say close saving or close discarding";
    return false;
  }
  const int answer = !c.a.empty() && c.a[0].text == "saving" ? IDYES : IDNO;
  if (asks && c.robot) c.robot->expect_message_box().read_text().answer(answer);
  if (asks && !c.robot)
    say_("     Please answer Outlook's question with " +
         std::string(answer == IDYES ? "Yes." : "No."));
  SendMessageW(current_window(), WM_CLOSE, 0, 0);
  return true;
}

void scenario_runner::report_after(const Step& s) {
  if (s.kind == StepKind::Start) print_startup();
  print_ribbon(host_.explorer_window(), false);
  for (const auto& inspector : host_.outlook().open_inspectors())
    print_ribbon(inspector->window, false);
  print_item(false);
  if (s.kind == StepKind::Send || s.kind == StepKind::CancelMeeting)
    say_(std::string("     the send ") + (*last_sent_ ? "went out" : "was cancelled"));
  print_requests();
  print_notes();
}

void scenario_runner::print_startup() {
  for (const auto& addin : host_.addins()) {
    const auto& r = addin->registration();
    say_("     add-in " + to_utf8(r.prog_id) + " (\"" + to_utf8(r.friendly_name) +
         "\", LoadBehavior " + std::to_string(r.load_behavior) + " from " +
         to_utf8(r.load_behavior_from) +
         "): " + (addin->connected() ? "connected" : "not connected"));
    if (!addin->class_info().server.empty())
      say_("       server " + to_utf8(addin->class_info().server) + " (" +
           to_utf8(addin->class_info().found_in) + ")");
    if (options_.timings && addin->connected()) {
      auto& t = addin->timings();
      say_("       start-up: load " + milliseconds_text(t.load) + ", connect " +
           milliseconds_text(t.connect) + ", ribbon XML " + milliseconds_text(t.ribbon_xml) +
           ", ribbon load " + milliseconds_text(t.ribbon_load) + ", first visibility pass " +
           milliseconds_text(t.visibility) + ", pictures " + milliseconds_text(t.pictures) +
           ", OnStartupComplete " + milliseconds_text(t.startup_complete) + "; total " +
           milliseconds_text(t.total()));
    }
  }
  if (host_.addins().empty()) say_("     no add-in is registered to load at start-up");
}

void scenario_runner::print_ribbon(HWND window, bool always) {
  if (!window || !IsWindow(window)) return;
  ribbon_host& ribbons = host_.ribbons();
  std::string text;
  for (const auto& control : ribbons.controls(window)) {
    if (control.node->element == "tab") continue;
    if (control.node->element == "group") {
      text += "\n       group " + control.id + (ribbons.shown(window, control) ? "" : " (hidden)") +
              ":";
      continue;
    }
    text +=
        "\n         " + control.id + " " + (ribbons.shown(window, control) ? "shown" : "hidden");
    if (!control.label.empty()) text += " \"" + control.label + "\"";
    if (!control.enabled) text += " disabled";
    if (control.picture) text += " [" + control.picture->describe() + "]";
  }
  if (!always && shown_ribbon_[window] == text) return;
  shown_ribbon_[window] = text;
  inspector_object* inspector = host_.inspector_of(window);
  const std::string name =
      inspector ? "window " + quoted(inspector->item().fields().subject) : "main window";
  say_("     ribbon of the " + name + (text.empty() ? ": no add-in controls" : ":" + text));
}

void scenario_runner::print_item(bool always) {
  item_base* item = current_item();
  if (!item) return;
  const item_fields& f = item->fields();
  std::string text =
      "     item: " +
      std::string(item->is_appointment() ? status_text(f.meeting_status) : "meeting request") +
      " " + quoted(f.subject) + " in " + to_utf8(host_.outlook().folder_name(item->folder())) +
      (item->saved_once() ? (item->dirty() ? ", changed since saved" : ", saved")
                          : ", never saved");
  if (item->inspector() && item->inspector()->shown()) text += ", open";
  text += "\n       location " + quoted(f.location) + ", " + describe_date(f.start) + " to " +
          describe_date(f.end) +
          (!f.recurrence          ? ""
           : !item->master()      ? ", recurring"
           : item->is_exception() ? ", an exception of its series"
                                  : ", an occurrence of its series");
  for (const auto& r : f.recipients) {
    text += "\n       " + std::string(r.type == olOrganizer  ? "organiser "
                                      : r.type == olOptional ? "optional "
                                                             : "attendee ");
    text += r.entry ? to_utf8(r.entry->name) + " <" + to_utf8(r.entry->smtp) + "> (" +
                          kind_text(*r.entry) + ")"
                    : quoted(r.typed) + " (unresolved)";
  }
  for (const auto& p : f.properties)
    text += "\n       user property " + to_utf8(p.name) + " = " + quoted(property_text(p));
  text += "\n       body:\n" + indented(marked_body(*f.body), "         | ");
  if (!always && text == shown_item_) return;
  shown_item_ = text;
  say_(text);
}

void scenario_runner::print_requests() {
  requests_.clear();
  if (service_down_) return;
  try {
    requests_ = service_->requests();
    service_->clear_requests();
  } catch (const std::exception&) {
    service_down_ = true;
    say_("     (the reference service does not answer at " + service_->base_url() +
         "; its requests are not shown)");
    return;
  }
  if (requests_.empty()) return;
  say_("     the service received " + std::to_string(requests_.size()) + " request(s):");
  for (const auto& request : requests_) {
    for (const auto& line : refservice::describe_request(request)) say_("         " + line);
  }
}

void scenario_runner::print_notes() {
  for (const auto& line : host_.take_problems()) say_("     host: " + line);
  if (!options_.timings) return;
  for (const auto& timing : addin_calls::take_timings())
    say_("     timing: " + timing.what + " " + milliseconds_text(timing.milliseconds));
}

bool scenario_runner::check(const Step& s) {
  const auto& a = s.arguments;
  item_base* item = current_item();
  const auto need_item = [&]() {
    if (!item) fail("there is no current item");
    return item != nullptr;
  };
  switch (s.kind) {
    case StepKind::ExpectVisible:
    case StepKind::ExpectHidden:
    case StepKind::ExpectAbsent: {
      HWND window = current_window();
      for (const auto& control : host_.ribbons().controls(window)) {
        if (control.id != a[0].text) continue;
        if (s.kind == StepKind::ExpectAbsent) return fail("the ribbon has " + a[0].text);
        const bool shown = host_.ribbons().shown(window, control);
        if (shown != (s.kind == StepKind::ExpectVisible))
          return fail(a[0].text + " is " + (shown ? "shown" : "hidden"));
        return true;
      }
      return s.kind == StepKind::ExpectAbsent || fail("the ribbon has no control " + a[0].text);
    }
    case StepKind::ExpectSubject:
      if (!need_item()) return false;
      return item->fields().subject == text(s, 0) ||
             fail("the subject is " + quoted(item->fields().subject));
    case StepKind::ExpectLocation:
      if (!need_item()) return false;
      return item->fields().location == text(s, 0) ||
             fail("the location is " + quoted(item->fields().location));
    case StepKind::ExpectBodyContains:
    case StepKind::ExpectBodyLacks: {
      if (!need_item()) return false;
      std::u16string body = item->fields().body->text();
      std::replace(body.begin(), body.end(), u'\r', u'\n');
      const bool has = utf16_to_utf8(body).find(a[0].text) != std::string::npos;
      if (has == (s.kind == StepKind::ExpectBodyContains)) return true;
      return fail(std::string("the body ") + (has ? "contains" : "lacks") + " it");
    }
    case StepKind::ExpectBookmark:
    case StepKind::ExpectNoBookmark: {
      if (!need_item()) return false;
      const WordDocument& story = *item->fields().body;
      const std::wstring name = text(s, 0);
      const auto found = story.find_bookmark(std::u16string(name.begin(), name.end()));
      if (s.kind == StepKind::ExpectNoBookmark) return !found || fail("the body has the bookmark");
      if (!found) return fail("the body has no such bookmark");
      const Span span = story.bookmark_span(*found);
      std::u16string inside = story.text().substr(span.start, span.end - span.start);
      std::replace(inside.begin(), inside.end(), u'\r', u'\n');
      return utf16_to_utf8(inside).find(a[1].text) != std::string::npos ||
             fail("the bookmark holds \"" + utf16_to_utf8(inside) + "\"");
    }
    case StepKind::ExpectProperty:
    case StepKind::ExpectNoProperty: {
      if (!need_item()) return false;
      user_property_data* property = item->find_property(text(s, 0));
      if (s.kind == StepKind::ExpectNoProperty)
        return !property || fail("the item has the property");
      if (!property) return fail("the item has no property " + a[0].text);
      const std::wstring value = property_text(*property);
      if (a[1].text == "set" && !a[1].quoted)
        return !value.empty() || fail("the property is empty");
      return value == text(s, 1) || fail("the property holds " + quoted(value));
    }
    case StepKind::ExpectSent:
    case StepKind::ExpectNotSent:
      if (!last_sent_) return fail("nothing was sent yet");
      return *last_sent_ == (s.kind == StepKind::ExpectSent) ||
             fail(*last_sent_ ? "the send went out" : "the send was cancelled");
    case StepKind::ExpectRequest:
      return check_request(s);
    case StepKind::ExpectServiceMeeting:
      return check_service_meeting(s);
    case StepKind::ExpectRequestCount:
      return requests_.size() == std::stoul(a[0].text) ||
             fail("the service received " + std::to_string(requests_.size()));
    case StepKind::ExpectWindows:
      return host_.outlook().open_inspectors().size() == std::stoul(a[0].text) ||
             fail(std::to_string(host_.outlook().open_inspectors().size()) + " windows are open");
    case StepKind::ExpectFolder:
      if (!need_item()) return false;
      return to_utf8(host_.outlook().folder_name(item->folder())) == a[0].text ||
             fail("the item is in " + to_utf8(host_.outlook().folder_name(item->folder())));
    case StepKind::ExpectMessage:
      for (const auto& message : messages_) {
        if (to_utf8(message).find(a[0].text) != std::string::npos) return true;
      }
      return fail("no message box of the last step said that");
    default:
      return true;
  }
}

namespace {

// A member of a JSON body as a scenario writes it: a string as it stands,
// anything else as compact JSON.
std::string member_text(const Json::Value& value) {
  if (value.isString()) return value.asString();
  std::string text = write_json(value);
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

}  // namespace

bool scenario_runner::check_request(const Step& s) {
  const auto& a = s.arguments;
  const bool member = a.size() > 2;
  std::string seen;
  for (const auto& request : requests_) {
    if (request.method != a[0].text) continue;
    if (!member) {
      if (request.target.rfind(a[1].text, 0) == 0) return true;
      continue;
    }
    if (request.path != a[1].text) continue;
    Json::Value body;
    std::string text = request.body;
    while (!text.empty() && text.back() == '\0') text.pop_back();  // the agent's terminator
    if (!parse_json(text, body) || !body.isObject()) {
      seen += " a body that is not a JSON object;";
      continue;
    }
    const bool has = body.isMember(a[3].text);
    if (a[2].text == "without" && !has) return true;
    if (a[2].text == "with" && has && member_text(body[a[3].text]) == a[4].text) return true;
    seen +=
        has ? " " + a[3].text + " " + member_text(body[a[3].text]) + ";" : " no " + a[3].text + ";";
  }
  return fail("the service received no such request in the last step" +
              (seen.empty() ? std::string() : " (seen:" + seen + ")"));
}

bool scenario_runner::check_service_meeting(const Step& s) {
  const auto& a = s.arguments;
  Json::Value meetings;
  try {
    meetings = service_->meetings();
  } catch (const std::exception& e) {
    return fail(std::string("the reference service does not answer: ") + e.what());
  }
  std::string seen;
  for (const auto& meeting : meetings) {
    if (meeting["record"]["subject"].asString() != a[0].text) continue;
    const Json::Value& occurrences = meeting["occurrences"];
    if (a.size() == 2) {
      if (occurrences.size() == std::stoul(a[1].text)) return true;
      seen += " " + std::to_string(occurrences.size()) + " occurrences;";
      continue;
    }
    const std::string day = format_date(day_of(s, 1));
    for (const auto& occurrence : occurrences) {
      if (occurrence["startDate"].asString() == day &&
          occurrence["startTime"].asString() == a[2].text)
        return true;
    }
    seen += " no occurrence then;";
  }
  return fail("the service keeps no such meeting" +
              (seen.empty() ? std::string() : " (seen:" + seen + ")"));
}

}  // namespace mivo::outlookhost

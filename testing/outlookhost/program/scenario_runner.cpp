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
#include "portable/oadate.h"
#include "portable/text.h"
#include "recorded_request_text.h"
#include "resource_ids.h"
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

double scenario_runner::date_of(const Step& step, std::size_t index) const {
  SYSTEMTIME now;
  GetLocalTime(&now);
  CalendarDate today{now.wYear, now.wMonth, now.wDay}, date;
  int hour = 0, minute = 0, second = 0;
  parse_date(step.arguments.at(index).text, today, date);
  parse_time(step.arguments.at(index + 1).text, hour, minute, second);
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

bool scenario_runner::run(const Scenario& scenario) {
  for (const auto& s : scenario.steps) {
    if (!step(s)) return false;
  }
  say_("");
  say_("The scenario ran to its end.");
  return true;
}

bool scenario_runner::step(const Step& s) {
  const bool is_check = s.kind >= StepKind::ExpectVisible;
  const bool is_answer = s.kind >= StepKind::AnswerSignIn && s.kind <= StepKind::AnswerMessage;
  say_((is_check ? "     " : "\n") + std::string("[") + std::to_string(s.line) + "] " + s.source);
  if (is_check) return check(s);
  if (is_answer) {
    const auto& a = s.arguments;
    const auto word = [&](std::size_t i) { return a.at(i).quoted ? std::string() : a.at(i).text; };
    switch (s.kind) {
      case StepKind::AnswerSignIn:
        if (a.size() == 1) {
          answers_.push_back([](robot::DialogRobot& r) {
            r.expect_dialog(robot::kAccountDialog).press(IDCANCEL);
          });
          answer_notes_.push_back("Please cancel the sign-in dialog.");
        } else {
          const std::wstring user = text(s, 0), password = text(s, 1);
          answers_.push_back([user, password](robot::DialogRobot& r) {
            r.expect_dialog(robot::kAccountDialog)
                .set_text(IDC_ACCOUNT_USERNAME, user)
                .set_text(IDC_ACCOUNT_PASSWORD, password)
                .press(IDOK);
          });
          answer_notes_.push_back("Please sign in as " + a[0].text + " / " + a[1].text + ".");
        }
        break;
      case StepKind::AnswerOrganisation:
        if (word(0) == "cancel") {
          answers_.push_back([](robot::DialogRobot& r) {
            r.expect_dialog(robot::kTenancyDialog).press(IDCANCEL);
          });
          answer_notes_.push_back("Please cancel the choice of organisation.");
        } else {
          const std::wstring name = text(s, 0);
          answers_.push_back([name](robot::DialogRobot& r) {
            r.expect_dialog(robot::kTenancyDialog).select_text(IDC_TENANCY_LIST, name).press(IDOK);
          });
          answer_notes_.push_back("Please choose the organisation " + a[0].text + ".");
        }
        break;
      case StepKind::AnswerMeetingOptions: {
        bool mute = false;
        std::wstring password;
        for (std::size_t i = 0; i + 1 < a.size(); ++i) {
          if (word(i) == "mute") mute = true;
          if (word(i) == "password") password = text(s, ++i);
        }
        const int button = a.back().text == "ok" ? IDOK : IDCANCEL;
        answers_.push_back([mute, password, button](robot::DialogRobot& r) {
          auto& dialog = r.expect_dialog(robot::kMeetingDialog).check(IDC_MEETING_MUTE, mute);
          if (!password.empty()) dialog.set_text(IDC_MEETING_PASSWORD, password);
          dialog.press(button);
        });
        answer_notes_.push_back(
            std::string("Please ") + (mute ? "tick mute, " : "") +
            (password.empty() ? "" : "set the password " + to_utf8(password) + ", ") +
            "and press " + (button == IDOK ? "OK" : "Cancel") + " in the meeting options.");
        break;
      }
      case StepKind::AnswerSignOut: {
        const int button = a[0].text == "ok" ? IDOK : IDCANCEL;
        answers_.push_back([button](robot::DialogRobot& r) {
          r.expect_dialog(robot::kCancellationDialog).press(button);
        });
        answer_notes_.push_back("Please answer " + a[0].text + " to signing out.");
        break;
      }
      case StepKind::AnswerAbout:
        answers_.push_back(
            [](robot::DialogRobot& r) { r.expect_dialog(robot::kAboutDialog).press(IDOK); });
        answer_notes_.push_back("Please close the about box.");
        break;
      case StepKind::AnswerMessage: {
        const std::string& choice = a[0].text;
        const int button = choice == "ok"       ? IDOK
                           : choice == "cancel" ? IDCANCEL
                           : choice == "yes"    ? IDYES
                                                : IDNO;
        answers_.push_back(
            [button](robot::DialogRobot& r) { r.expect_message_box().read_text().answer(button); });
        answer_notes_.push_back("Please answer the message box with " + choice + ".");
        break;
      }
      default:
        break;
    }
    return true;
  }
  return action(s);
}

bool scenario_runner::action(const Step& s) {
  std::optional<robot::DialogRobot> robot;
  if (!options_.interactive) {
    robot.emplace(kPatience);
    for (const auto& a : answers_) a(*robot);
    robot->answer_other_message_boxes(IDOK);
  } else {
    for (const auto& note : answer_notes_) say_("     " + note);
  }
  answers_.clear();
  answer_notes_.clear();
  messages_.clear();

  const auto open_before = host_.outlook().open_inspectors();
  const std::size_t sent_before = host_.outlook().sent().size();
  session& outlook = host_.outlook();
  const auto& a = s.arguments;
  std::string error;
  bool done = true;
  const auto need_item_window = [&]() -> inspector_object* {
    inspector_object* inspector = host_.inspector_of(current_window());
    if (!inspector) error = "the current window is not an item window";
    return inspector;
  };

  switch (s.kind) {
    case StepKind::Start:
      host_.start();
      break;
    case StepKind::Quit:
      // The runner lets go of its item first: what is still held after the
      // shut-down is the add-ins'.
      item_.reset();
      window_ = nullptr;
      host_.quit();
      break;
    case StepKind::Disconnect:
      host_.disconnect_addins();
      break;
    case StepKind::Connect:
      host_.connect_addins();
      break;
    case StepKind::Clock:
      if (a[0].text == "real")
        outlook.real_clock();
      else if (a[0].text == "advance" && !a[0].quoted)
        outlook.advance_clock(std::stod(a[1].text));
      else
        outlook.fix_clock(date_of(s, 0));
      break;
    case StepKind::Directory: {
      const std::string& kind = a[0].text;
      outlook.add_entry(kind == "exchange-user"    ? directory_entry::kind::exchange_user
                        : kind == "exchange-agent" ? directory_entry::kind::exchange_agent
                                                   : directory_entry::kind::exchange_list,
                        text(s, 1), text(s, 2));
      break;
    }
    case StepKind::Window:
      if (a[0].text == "explorer" && !a[0].quoted) {
        window_ = nullptr;
      } else {
        const auto open = outlook.open_inspectors();
        const std::size_t n = std::stoul(a[0].text);
        if (n < 1 || n > open.size()) {
          error = "there are " + std::to_string(open.size()) + " item windows open";
          done = false;
          break;
        }
        window_ = open[n - 1]->window;
        item_ = com::com_ptr<item_base>(&open[n - 1]->item());
      }
      break;
    case StepKind::Print:
      print_ribbon(current_window(), true);
      print_item(true);
      break;
    case StepKind::Picture:
      host_.pump();
      if (!robot::save_window_picture(current_window(), text(s, 0))) {
        error = "the picture could not be saved to " + a[0].text;
        done = false;
      }
      break;
    case StepKind::Click:
      done = host_.click(current_window(), a[0].text, error);
      break;
    case StepKind::NewAppointment:
    case StepKind::NewMeeting:
      done = host_.press(host_.explorer_window(),
                         s.kind == StepKind::NewMeeting ? kNewMeetingButton : kNewAppointmentButton,
                         error);
      break;
    case StepKind::Open:
    case StepKind::OpenRequest:
    case StepKind::DeleteItem: {
      com::com_ptr<item_base> found;
      for (auto folder : {folder_id::calendar, folder_id::inbox, folder_id::deleted_items,
                          folder_id::sent_items}) {
        for (const auto& candidate : outlook.items(folder)) {
          const bool wanted_kind = (s.kind == StepKind::OpenRequest) != candidate->is_appointment();
          if (!found && wanted_kind && candidate->fields().subject == text(s, 0)) found = candidate;
        }
      }
      if (!found) {
        error = "no item has the subject " + a[0].text;
        done = false;
        break;
      }
      item_ = found;
      if (s.kind == StepKind::DeleteItem)
        outlook.remove(*found);
      else
        outlook.display(*found);
      break;
    }
    case StepKind::ReceiveRequest: {
      auto request =
          outlook.receive_request(text(s, 0), text(s, 1), date_of(s, 2), std::stol(a[4].text));
      item_ = com::com_ptr<item_base>(request.get());
      break;
    }
    case StepKind::Type:
    case StepKind::TypeWithoutLeaving: {
      if (!need_item_window()) {
        done = false;
        break;
      }
      const std::string& field = a[0].text;
      const int id = field == "subject"    ? kSubjectField
                     : field == "location" ? kLocationField
                     : field == "to"       ? kToField
                     : field == "optional" ? kOptionalField
                                           : kBodyField;
      HWND control = GetDlgItem(current_window(), id);
      if (s.kind == StepKind::TypeWithoutLeaving) SetFocus(control);
      SetWindowTextW(control, text(s, 1).c_str());
      if (s.kind == StepKind::Type && (id == kToField || id == kOptionalField))
        commit_recipient_fields(current_window());
      break;
    }
    case StepKind::SetStart:
    case StepKind::SetEnd:
    case StepKind::SetDuration:
    case StepKind::SetRecurrence: {
      inspector_object* inspector = need_item_window();
      if (!inspector) {
        done = false;
        break;
      }
      item_base& item = inspector->item();
      try {
        if (s.kind == StepKind::SetStart) item.set_start(date_of(s, 0));
        if (s.kind == StepKind::SetEnd) item.set_end(date_of(s, 0));
        if (s.kind == StepKind::SetDuration) item.set_duration(std::stol(a[0].text));
        if (s.kind == StepKind::SetRecurrence) {
          if (a[0].text == "none") {
            item.set_recurrence(std::nullopt);
          } else {
            recurrence_data pattern;
            const double day = std::floor(item.fields().start);
            const long count = std::stol(a[1].text);
            const std::string& every = a[0].text;
            pattern.type = every == "daily"    ? olRecursDaily
                           : every == "weekly" ? olRecursWeekly
                                               : olRecursMonthly;
            pattern.occurrences = count;
            pattern.no_end_date = false;
            pattern.pattern_start = day;
            pattern.day_of_week_mask = 1L << ((static_cast<long>(day) % 7 + 6) % 7);
            SystemTime start_day;
            variant_time_to_system_time(day, start_day);
            pattern.day_of_month = every == "monthly" ? start_day.day : 0;
            SystemTime last = start_day;
            double end = day + (count - 1) * (every == "daily" ? 1 : 7);
            if (every == "monthly") {
              last.month += count - 1;
              last.year += (last.month - 1) / 12;
              last.month = (last.month - 1) % 12 + 1;
              system_time_to_variant_time(last, end);
            }
            pattern.pattern_end = end;
            item.set_recurrence(pattern);
          }
        }
      } catch (const std::exception& refused) {
        error = refused.what();
        done = false;
      }
      break;
    }
    case StepKind::AddAttendee: {
      inspector_object* inspector = need_item_window();
      if (!inspector) {
        done = false;
        break;
      }
      std::wstring name = text(s, 1);
      if (a[0].text == "smtp" && a.size() == 3) {
        outlook.add_entry(directory_entry::kind::smtp, text(s, 2), name);
        name = text(s, 2);
      } else if (a[0].text != "smtp") {
        const auto entry = outlook.resolve(name);
        const std::string want = a[0].text;
        const bool right =
            entry &&
            ((want == "exchange-user" && entry->type == directory_entry::kind::exchange_user) ||
             (want == "exchange-agent" && entry->type == directory_entry::kind::exchange_agent) ||
             (want == "exchange-list" && entry->type == directory_entry::kind::exchange_list));
        if (!right) {
          error = "the address book has no " + want + " named " + a[1].text +
                  " (add it with a directory step)";
          done = false;
          break;
        }
      }
      // Typed into the To field and committed, as a person adds one.
      HWND to = GetDlgItem(current_window(), kToField);
      std::wstring names(static_cast<std::size_t>(GetWindowTextLengthW(to)) + 1, L'\0');
      names.resize(GetWindowTextW(to, names.data(), static_cast<int>(names.size())));
      SetWindowTextW(to, ((names.empty() ? L"" : names + L"; ") + name).c_str());
      commit_recipient_fields(current_window());
      break;
    }
    case StepKind::Send:
    case StepKind::Save:
    case StepKind::SaveAndClose:
    case StepKind::Delete:
    case StepKind::CancelMeeting: {
      if (!need_item_window()) {
        done = false;
        break;
      }
      const int command = s.kind == StepKind::Send           ? kSendButton
                          : s.kind == StepKind::Save         ? kSaveButton
                          : s.kind == StepKind::SaveAndClose ? kSaveCloseButton
                          : s.kind == StepKind::Delete       ? kDeleteButton
                                                             : kCancelMeetingButton;
      done = host_.press(current_window(), command, error);
      break;
    }
    case StepKind::Close: {
      inspector_object* inspector = need_item_window();
      if (!inspector) {
        done = false;
        break;
      }
      commit_recipient_fields(current_window());
      const bool asks = inspector->item().dirty();
      if (asks && a.empty()) {
        error = "the item has unsaved changes: say close saving or close discarding";
        done = false;
        break;
      }
      if (asks && robot)
        robot->expect_message_box().read_text().answer(a[0].text == "saving" ? IDYES : IDNO);
      if (asks && !robot)
        say_("     Please answer Outlook's question with " +
             std::string(a[0].text == "saving" ? "Yes." : "No."));
      SendMessageW(current_window(), WM_CLOSE, 0, 0);
      break;
    }
    default:
      break;
  }
  host_.pump();

  if (robot) {
    const bool passed = robot->wait();
    for (const auto& shown : robot->shown()) {
      if (shown.message_box) {
        messages_.push_back(shown.text);
        say_("     a message box: " + quoted(shown.caption) + " " + quoted(shown.text));
      } else {
        say_("     a dialog: " + quoted(shown.caption));
      }
    }
    if (!passed) return fail("the dialogs did not go as the script says\n" + robot->report());
  }
  if (!done) return fail(error);

  // What the step opened becomes current.
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
          describe_date(f.end) + (f.recurrence ? ", recurring" : "");
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
      for (const auto& request : requests_) {
        if (request.method == a[0].text && request.target.rfind(a[1].text, 0) == 0) return true;
      }
      return fail("the service received no such request in the last step");
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

}  // namespace mivo::outlookhost

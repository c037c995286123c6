// The scenario language of the Outlook host: one step a line, words and
// double-quoted texts, '#' starting a comment. The parser checks every line
// against the table of steps (their words and arguments) and reports every
// mistake with its line number before anything runs.
//
//   start
//   answer sign-in bob bob-pass          # the robot's answer to the next dialog
//   click MIVO-00_AccountSetting
//   expect hidden MIVO-00_AccountSetting
//   new meeting
//   type subject "季度评审"
//   add attendee exchange-user "李雷"
//   send
//   expect sent
#pragma once

#include <string>
#include <vector>

namespace mivo::outlookhost {

enum class StepKind {
  // The session.
  Start,
  Quit,
  Disconnect,
  Connect,
  Clock,      // <date> <time> | advance <seconds> | real
  Directory,  // exchange-user|exchange-agent|exchange-list <name> <smtp address>
  Window,     // explorer | <n>: the n-th open appointment window, in opening order
  Print,
  Picture,     // <file>: the current window as a 24-bit BMP
  Invariants,  // from here on the lifecycle invariants are checked after every action
  // The main window.
  Click,  // <control id>, in the current window
  NewAppointment,
  NewMeeting,
  Open,            // <subject> [<n>]: an appointment from any folder (the n-th of that subject)
  OpenOccurrence,  // <subject> <date>: one occurrence of a series
  OpenRequest,     // <subject> [<n>]: a received meeting request
  DeleteItem,      // <subject> [<n>]: moved to Deleted Items from the main window
  Copy,            // <subject> [<n>]: Outlook's Copy of a calendar item
  CopyToCalendar,  // <subject> [<n>]: Copy to My Calendar (CopyTo, olCreateAppointment)
  ReceiveRequest,  // <organiser> <subject> <date> <time> <minutes>
  // The current appointment window.
  Type,                // subject|location|to|optional|body <text>, then leaves the field
  TypeWithoutLeaving,  // the same, the focus stays in the field
  SetStart,            // <date> <time>
  SetEnd,              // <date> <time>
  SetDuration,         // <minutes>
  SetRecurrence,       // none | <kind> [<days>] <occurrences> | <kind> [<days>] until <date>
  AddAttendee,  // smtp <address> [<name>] | exchange-user|exchange-agent|exchange-list <name>
  Send,
  Save,
  SaveAndClose,
  Close,          // [saving|discarding]: the answer to Outlook's save prompt
  Delete,         // the item of the window, to Deleted Items
  CancelMeeting,  // sends the cancellation
  // Prepared for the next action: the dialog robot's answers to its
  // dialogs, in order, and how the reference service fails one request.
  AnswerSignIn,          // <user> <password> | cancel
  AnswerOrganisation,    // <name> | cancel
  AnswerMeetingOptions,  // [mute] [password <digits>] ok|cancel
  AnswerSignOut,         // ok|cancel
  AnswerAbout,
  AnswerMessage,  // ok|cancel|yes|no
  Fault,          // drop|late|malformed|empty|status <n>|code <n> [request <n>]
  // Checks; a failed one ends the scenario.
  ExpectVisible,       // <control id>
  ExpectHidden,        // <control id>
  ExpectAbsent,        // <control id>: not in the current window's ribbon
  ExpectSubject,       // <text>
  ExpectLocation,      // <text>
  ExpectBodyContains,  // <text>
  ExpectBodyLacks,     // <text>
  ExpectBookmark,      // <name> <text it contains>
  ExpectNoBookmark,    // <name>
  ExpectProperty,      // <name> <text> | <name> set
  ExpectNoProperty,    // <name>
  ExpectSent,
  ExpectNotSent,
  ExpectRequest,         // <method> <path prefix> [with <member> <value> | without <member>]
  ExpectServiceMeeting,  // <subject> <occurrences> | <subject> <date> <time>
  ExpectRequestCount,    // <n>
  ExpectWindows,         // <n> appointment and request windows open
  ExpectFolder,          // <folder name> of the current item
  ExpectMessage,         // <text>: a message box of the step showed it
};

struct Argument {
  std::string text;
  bool quoted = false;  // written in double quotes, so never a keyword
};

struct Step {
  int line = 0;
  StepKind kind{};
  std::vector<Argument> arguments;
  std::string source;  // the line as written, without its comment
};

struct ScenarioError {
  int line = 0;
  std::string message;
};

struct Scenario {
  std::vector<Step> steps;
  std::vector<ScenarioError> errors;  // empty when the whole script is valid
};

Scenario parse_scenario(const std::string& script);

// Steps prepared for the next action rather than acted out.
inline bool prepares_next_action(StepKind kind) {
  return kind >= StepKind::AnswerSignIn && kind <= StepKind::Fault;
}
inline bool is_check(StepKind kind) { return kind >= StepKind::ExpectVisible; }

// Dates are YYYY-MM-DD, "today", "tomorrow" or "+<n>d"; times HH:MM or
// HH:MM:SS. Day offsets count from `today` (fields of a local date).
struct CalendarDate {
  int year = 0;
  int month = 0;
  int day = 0;
};
bool parse_date(const std::string& text, const CalendarDate& today, CalendarDate& out);
bool parse_time(const std::string& text, int& hour, int& minute, int& second);

// What a step does, in words, for the step list that --help prints.
std::string describe_steps();

}  // namespace mivo::outlookhost

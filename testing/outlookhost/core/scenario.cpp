// The scenario parser: a tokenizer for words and quoted texts, and one table
// that gives each step its words, its argument forms and a line of help.
#include "scenario.h"

#include <algorithm>
#include <cctype>
#include <sstream>

#include "portable/oadate.h"

namespace mivo::outlookhost {

namespace {

enum class Type { Keyword, Text, Number, Integer, Date, Time };

struct Parameter {
  Type type;
  const char* name;  // the keyword itself, or what the value stands for
};

using Form = std::vector<Parameter>;

struct Grammar {
  std::vector<std::string> phrase;
  StepKind kind;
  std::vector<Form> forms;
  const char* help;
};

// A keyword, or alternatives at one position: "ok|cancel".
Parameter kw(const char* words) { return {Type::Keyword, words}; }
Parameter text(const char* name) { return {Type::Text, name}; }
Parameter number(const char* name) { return {Type::Number, name}; }
Parameter integer(const char* name) { return {Type::Integer, name}; }
Parameter date() { return {Type::Date, "date"}; }
Parameter time() { return {Type::Time, "time"}; }

const std::vector<Grammar>& grammar() {
  static const std::vector<Grammar> table = {
      {{"start"}, StepKind::Start, {{}}, "Outlook starts and loads its add-ins"},
      {{"quit"}, StepKind::Quit, {{}}, "Outlook exits (Quit, OnBeginShutdown, OnDisconnection)"},
      {{"disconnect"}, StepKind::Disconnect, {{}}, "the user turns the add-in off"},
      {{"connect"}, StepKind::Connect, {{}}, "the user turns the add-in on again"},
      {{"clock"},
       StepKind::Clock,
       {{date(), time()}, {kw("advance"), number("seconds")}, {kw("real")}},
       "the time Outlook stamps on new items: fixed, moved on, or the real time"},
      {{"directory"},
       StepKind::Directory,
       {{kw("exchange-user|exchange-agent|exchange-list"), text("name"), text("smtp")}},
       "an entry of the Exchange address book"},
      {{"window"},
       StepKind::Window,
       {{kw("explorer")}, {number("n")}},
       "the main window, or the n-th open item window, becomes current"},
      {{"print"}, StepKind::Print, {{}}, "prints the whole state"},
      {{"picture"},
       StepKind::Picture,
       {{text("file")}},
       "saves a picture of the current window (a 24-bit BMP file)"},
      {{"invariants"},
       StepKind::Invariants,
       {{}},
       "from here on the lifecycle invariants are checked after every action"},
      {{"click"}, StepKind::Click, {{text("control")}}, "clicks a ribbon control"},
      {{"new", "appointment"}, StepKind::NewAppointment, {{}}, "opens a new appointment"},
      {{"new", "meeting"}, StepKind::NewMeeting, {{}}, "opens a new meeting"},
      {{"open"},
       StepKind::Open,
       {{text("subject")}, {text("subject"), number("n")}},
       "opens an appointment by its subject (the n-th of that subject)"},
      {{"open", "occurrence"},
       StepKind::OpenOccurrence,
       {{text("subject"), date()}},
       "opens the occurrence on that day of the series of that subject"},
      {{"open", "request"},
       StepKind::OpenRequest,
       {{text("subject")}, {text("subject"), number("n")}},
       "opens a received meeting request"},
      {{"delete", "item"},
       StepKind::DeleteItem,
       {{text("subject")}, {text("subject"), number("n")}},
       "moves an item to Deleted Items from the main window (deletes it from there)"},
      {{"copy"},
       StepKind::Copy,
       {{text("subject")}, {text("subject"), number("n")}},
       "copies a calendar item into its folder, as Outlook's Copy"},
      {{"copy", "to", "my", "calendar"},
       StepKind::CopyToCalendar,
       {{text("subject")}, {text("subject"), number("n")}},
       "copies an item into the calendar as an appointment of the user's own"},
      {{"receive", "request"},
       StepKind::ReceiveRequest,
       {{text("organiser"), text("subject"), date(), time(), number("minutes")}},
       "a meeting request from someone else arrives"},
      {{"type"},
       StepKind::Type,
       {{kw("subject|location|to|optional|body"), text("text")}},
       "types into a field of the window and leaves it"},
      {{"type", "without", "leaving"},
       StepKind::TypeWithoutLeaving,
       {{kw("subject|location|to|optional|body"), text("text")}},
       "types into a field and keeps the focus there"},
      {{"set", "start"},
       StepKind::SetStart,
       {{date(), time()}},
       "moves the start, keeping the duration"},
      {{"set", "end"}, StepKind::SetEnd, {{date(), time()}}, "sets the end"},
      {{"set", "duration"}, StepKind::SetDuration, {{number("minutes")}}, "sets the duration"},
      {{"set", "recurrence"},
       StepKind::SetRecurrence,
       {{kw("none")},
        {kw("daily|weekly|monthly|monthly-nth"), number("occurrences")},
        {kw("daily|weekly|monthly|monthly-nth"), kw("until"), date()},
        {kw("weekly"), text("days"), number("occurrences")},
        {kw("weekly"), text("days"), kw("until"), date()}},
       "makes the appointment a series from its start, ending after a number of "
       "occurrences or on a date (weekly on days such as \"mon wed fri\"; monthly on the "
       "start's day of the month, monthly-nth on its n-th weekday), or a single one again"},
      {{"add", "attendee"},
       StepKind::AddAttendee,
       {{kw("smtp"), text("address")},
        {kw("smtp"), text("address"), text("name")},
        {kw("exchange-user|exchange-agent|exchange-list"), text("name")}},
       "adds an attendee through the item's Recipients"},
      {{"send"}, StepKind::Send, {{}}, "presses Send"},
      {{"save"}, StepKind::Save, {{}}, "saves the item, the window stays open"},
      {{"save", "and", "close"}, StepKind::SaveAndClose, {{}}, "presses Save & Close"},
      {{"close"},
       StepKind::Close,
       {{}, {kw("saving|discarding")}},
       "closes the window, answering the save prompt if one comes"},
      {{"delete"}, StepKind::Delete, {{}}, "deletes the item from its window"},
      {{"cancel", "meeting"}, StepKind::CancelMeeting, {{}}, "cancels the meeting and sends that"},
      {{"answer", "sign-in"},
       StepKind::AnswerSignIn,
       {{text("user"), text("password")}, {kw("cancel")}},
       "the robot signs in (or cancels) in the next sign-in dialog"},
      {{"answer", "organisation"},
       StepKind::AnswerOrganisation,
       {{kw("cancel")}, {text("name")}},
       "the robot chooses an organisation (or cancels)"},
      {{"answer", "meeting-options"},
       StepKind::AnswerMeetingOptions,
       {{kw("ok|cancel")},
        {kw("mute"), kw("ok|cancel")},
        {kw("password"), text("digits"), kw("ok|cancel")},
        {kw("mute"), kw("password"), text("digits"), kw("ok|cancel")}},
       "the robot fills in the meeting options dialog"},
      {{"answer", "sign-out"},
       StepKind::AnswerSignOut,
       {{kw("ok|cancel")}},
       "the robot confirms or refuses signing out"},
      {{"answer", "about"}, StepKind::AnswerAbout, {{}}, "the robot closes the about box"},
      {{"answer", "message"},
       StepKind::AnswerMessage,
       {{kw("ok|cancel|yes|no")}},
       "the robot answers the next message box"},
      {{"fault"},
       StepKind::Fault,
       {{kw("drop|late|malformed|empty")},
        {kw("drop|late|malformed|empty"), kw("request"), number("n")},
        {kw("status"), number("status")},
        {kw("status"), number("status"), kw("request"), number("n")},
        {kw("code"), integer("code")},
        {kw("code"), integer("code"), kw("request"), number("n")}},
       "the service fails the next action's n-th request (the first by default)"},
      {{"expect", "visible"}, StepKind::ExpectVisible, {{text("control")}}, ""},
      {{"expect", "hidden"}, StepKind::ExpectHidden, {{text("control")}}, ""},
      {{"expect", "absent"},
       StepKind::ExpectAbsent,
       {{text("control")}},
       "the current window's ribbon has no such control"},
      {{"expect", "subject"}, StepKind::ExpectSubject, {{text("text")}}, ""},
      {{"expect", "location"}, StepKind::ExpectLocation, {{text("text")}}, ""},
      {{"expect", "body", "contains"}, StepKind::ExpectBodyContains, {{text("text")}}, ""},
      {{"expect", "body", "lacks"}, StepKind::ExpectBodyLacks, {{text("text")}}, ""},
      {{"expect", "bookmark"},
       StepKind::ExpectBookmark,
       {{text("name"), text("text")}},
       "the bookmark exists and its text contains this"},
      {{"expect", "no", "bookmark"}, StepKind::ExpectNoBookmark, {{text("name")}}, ""},
      {{"expect", "property"},
       StepKind::ExpectProperty,
       {{text("name"), kw("set")}, {text("name"), text("text")}},
       "a user property holds this text (\"set\": any text but the empty one)"},
      {{"expect", "no", "property"}, StepKind::ExpectNoProperty, {{text("name")}}, ""},
      {{"expect", "sent"}, StepKind::ExpectSent, {{}}, "the last send went out"},
      {{"expect", "not", "sent"}, StepKind::ExpectNotSent, {{}}, "the last send was cancelled"},
      {{"expect", "request"},
       StepKind::ExpectRequest,
       {{text("method"), text("path")},
        {text("method"), text("path"), kw("with"), text("member"), text("value")},
        {text("method"), text("path"), kw("without"), text("member")}},
       "the service received such a request during the step (its path starting so); with a "
       "member: one to exactly that path had that member in its JSON body (or lacked it)"},
      {{"expect", "service", "meeting"},
       StepKind::ExpectServiceMeeting,
       {{text("subject"), number("occurrences")}, {text("subject"), date(), time()}},
       "the service keeps a meeting of that subject with that many occurrences, or with one "
       "on that day at that time"},
      {{"expect", "requests"},
       StepKind::ExpectRequestCount,
       {{number("n")}},
       "the service received this many requests during the step"},
      {{"expect", "windows"}, StepKind::ExpectWindows, {{number("n")}}, "item windows open"},
      {{"expect", "folder"}, StepKind::ExpectFolder, {{text("name")}}, "the current item's folder"},
      {{"expect", "message"},
       StepKind::ExpectMessage,
       {{text("text")}},
       "a message box of the step showed this text"},
  };
  return table;
}

std::string phrase_text(const std::vector<std::string>& phrase) {
  std::string joined;
  for (const auto& word : phrase) joined += (joined.empty() ? "" : " ") + word;
  return joined;
}

std::string form_text(const Grammar& entry, const Form& form) {
  std::string usage = phrase_text(entry.phrase);
  for (const auto& parameter : form)
    usage += parameter.type == Type::Keyword ? std::string(" ") + parameter.name
                                             : std::string(" <") + parameter.name + ">";
  return usage;
}

bool is_keyword(const Argument& argument, const char* words) {
  if (argument.quoted) return false;
  std::istringstream alternatives(words);
  std::string word;
  while (std::getline(alternatives, word, '|')) {
    if (word == argument.text) return true;
  }
  return false;
}

bool all_digits(const std::string& value) {
  if (value.empty()) return false;
  for (char c : value) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

bool is_number(const std::string& value) {
  const auto dot = value.find('.');
  if (dot == std::string::npos) return all_digits(value);
  return all_digits(value.substr(0, dot)) && all_digits(value.substr(dot + 1));
}

bool matches(const Parameter& parameter, const Argument& argument) {
  static const CalendarDate any_day{2000, 1, 1};
  CalendarDate date;
  int h, m, s;
  switch (parameter.type) {
    case Type::Keyword:
      return is_keyword(argument, parameter.name);
    case Type::Text:
      return true;
    case Type::Number:
      return is_number(argument.text);
    case Type::Integer:
      return all_digits(argument.text[0] == '-' ? argument.text.substr(1) : argument.text);
    case Type::Date:
      return parse_date(argument.text, any_day, date);
    case Type::Time:
      return parse_time(argument.text, h, m, s);
  }
  return false;
}

bool matches(const Form& form, const std::vector<Argument>& arguments) {
  if (form.size() != arguments.size()) return false;
  for (std::size_t i = 0; i < form.size(); ++i) {
    if (!matches(form[i], arguments[i])) return false;
  }
  return true;
}

// Splits a line into words and quoted texts; false with a message for an
// unterminated quote or an unknown escape.
bool tokenize(const std::string& line, std::vector<Argument>& out, std::string& error) {
  std::size_t i = 0;
  while (i < line.size()) {
    const char c = line[i];
    if (std::isspace(static_cast<unsigned char>(c))) {
      ++i;
    } else if (c == '#') {
      break;
    } else if (c == '"') {
      Argument argument{"", true};
      ++i;
      bool closed = false;
      while (i < line.size()) {
        const char d = line[i++];
        if (d == '"') {
          closed = true;
          break;
        }
        if (d != '\\') {
          argument.text += d;
          continue;
        }
        if (i == line.size()) break;
        const char escaped = line[i++];
        if (escaped == 'n') {
          argument.text += '\n';
        } else if (escaped == '"' || escaped == '\\') {
          argument.text += escaped;
        } else {
          error = std::string("unknown escape \\") + escaped + " (use \\\", \\\\ or \\n)";
          return false;
        }
      }
      if (!closed) {
        error = "a quoted text is not closed";
        return false;
      }
      out.push_back(std::move(argument));
    } else {
      Argument argument;
      while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i])) &&
             line[i] != '"')
        argument.text += line[i++];
      out.push_back(std::move(argument));
    }
  }
  return true;
}

// The entry whose phrase is the longest run of leading unquoted words.
const Grammar* find_entry(const std::vector<Argument>& tokens) {
  const Grammar* best = nullptr;
  for (const auto& entry : grammar()) {
    if (entry.phrase.size() > tokens.size()) continue;
    bool same = true;
    for (std::size_t i = 0; i < entry.phrase.size() && same; ++i)
      same = !tokens[i].quoted && tokens[i].text == entry.phrase[i];
    if (same && (!best || entry.phrase.size() > best->phrase.size())) best = &entry;
  }
  return best;
}

std::string trimmed_source(const std::string& line) {
  std::string source = line;
  bool in_quote = false;
  for (std::size_t i = 0; i < source.size(); ++i) {
    if (source[i] == '\\' && in_quote) {
      ++i;
    } else if (source[i] == '"') {
      in_quote = !in_quote;
    } else if (source[i] == '#' && !in_quote) {
      source.resize(i);
      break;
    }
  }
  const auto first = source.find_first_not_of(" \t\r");
  const auto last = source.find_last_not_of(" \t\r");
  return first == std::string::npos ? "" : source.substr(first, last - first + 1);
}

}  // namespace

Scenario parse_scenario(const std::string& script) {
  Scenario scenario;
  std::istringstream lines(script);
  std::string line;
  int number = 0;
  while (std::getline(lines, line)) {
    ++number;
    std::vector<Argument> tokens;
    std::string error;
    if (!tokenize(line, tokens, error)) {
      scenario.errors.push_back({number, error});
      continue;
    }
    if (tokens.empty()) continue;
    const Grammar* entry = find_entry(tokens);
    if (!entry) {
      scenario.errors.push_back({number, "unknown step \"" + tokens[0].text + "\""});
      continue;
    }
    std::vector<Argument> arguments(tokens.begin() + entry->phrase.size(), tokens.end());
    bool valid = false;
    for (const auto& form : entry->forms) valid = valid || matches(form, arguments);
    if (!valid) {
      std::string usage;
      for (const auto& form : entry->forms)
        usage += (usage.empty() ? "" : " or ") + form_text(*entry, form);
      scenario.errors.push_back({number, "expected " + usage});
      continue;
    }
    scenario.steps.push_back(Step{number, entry->kind, std::move(arguments), trimmed_source(line)});
  }
  return scenario;
}

bool parse_date(const std::string& text, const CalendarDate& today, CalendarDate& out) {
  int offset = 0;
  CalendarDate date = today;
  if (text == "today") {
  } else if (text == "tomorrow") {
    offset = 1;
  } else if (text.size() > 2 && text.front() == '+' && text.back() == 'd' &&
             all_digits(text.substr(1, text.size() - 2)) && text.size() < 8) {
    offset = std::stoi(text.substr(1, text.size() - 2));
  } else if (text.size() == 10 && text[4] == '-' && text[7] == '-' &&
             all_digits(text.substr(0, 4)) && all_digits(text.substr(5, 2)) &&
             all_digits(text.substr(8, 2))) {
    date = {std::stoi(text.substr(0, 4)), std::stoi(text.substr(5, 2)),
            std::stoi(text.substr(8, 2))};
    if (date.month < 1 || date.month > 12 || date.day < 1 || date.day > 31) return false;
  } else {
    return false;
  }
  // Counted on as OLE Automation dates (whole days); a written date must
  // come back unchanged, as oleaut32 rolls 2030-02-30 over into March.
  SystemTime fields;
  fields.year = date.year;
  fields.month = date.month;
  fields.day = date.day;
  double serial = 0;
  SystemTime normal;
  if (!system_time_to_variant_time(fields, serial) ||
      !variant_time_to_system_time(serial + offset, normal))
    return false;
  if (offset == 0 && (normal.month != date.month || normal.day != date.day)) return false;
  out = {normal.year, normal.month, normal.day};
  return true;
}

bool parse_time(const std::string& text, int& hour, int& minute, int& second) {
  if ((text.size() != 5 && text.size() != 8) || text[2] != ':' ||
      (text.size() == 8 && text[5] != ':'))
    return false;
  if (!all_digits(text.substr(0, 2)) || !all_digits(text.substr(3, 2)) ||
      (text.size() == 8 && !all_digits(text.substr(6, 2))))
    return false;
  const int h = std::stoi(text.substr(0, 2));
  const int m = std::stoi(text.substr(3, 2));
  const int s = text.size() == 8 ? std::stoi(text.substr(6, 2)) : 0;
  if (h > 23 || m > 59 || s > 59) return false;
  hour = h;
  minute = m;
  second = s;
  return true;
}

std::string describe_steps() {
  std::string text;
  for (const auto& entry : grammar()) {
    for (std::size_t i = 0; i < entry.forms.size(); ++i) {
      std::string line = "  " + form_text(entry, entry.forms[i]);
      if (i + 1 == entry.forms.size() && entry.help[0]) {
        line.resize(std::max<std::size_t>(line.size() + 2, 58), ' ');
        line += entry.help;
      }
      text += line + "\n";
    }
  }
  return text;
}

}  // namespace mivo::outlookhost

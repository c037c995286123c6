// What a user may do next, and how often.
#include "generator.h"

#include <algorithm>

namespace mivo::explorer {

namespace {

struct Weighted {
  double weight;
  std::string step;
};

bool shows(const World& world, const std::string& control) {
  return std::find(world.controls.begin(), world.controls.end(), control) != world.controls.end();
}

const std::vector<std::string> kSubjects = {"Planning", "周会", "Review \"Q3\"", "Budget", "",
                                            "1:1"};
const std::vector<std::string> kLocations = {"Room 1", "会议室A", "Café"};
const std::vector<std::string> kBodies = {"Agenda: figures", "第一行\n第二行", "Notes"};
const std::vector<std::string> kAttendees = {
    "exchange-user \"李雷\"", "smtp guest@example.com \"Guest\"", "exchange-list \"Design Team\"",
    "exchange-agent \"Room Booking\"", "smtp other@example.com"};
const std::vector<std::string> kTyped = {"李雷", "guest@example.com", "李雷; Design Team",
                                         "rooms@example.com"};

// One of the moves, each as likely as its weight.
std::string draw(const std::vector<Weighted>& moves, std::mt19937_64& random) {
  double total = 0;
  for (const auto& m : moves) total += m.weight;
  double at = std::uniform_real_distribution<double>(0, total)(random);
  for (const auto& m : moves) {
    if ((at -= m.weight) <= 0) return m.step;
  }
  return moves.back().step;
}

}  // namespace

Generator::Generator(std::uint64_t seed, GeneratorOptions options)
    : random_(seed), options_(std::move(options)) {
  length_ = options_.min_moves + below(options_.max_moves - options_.min_moves + 1);
}

std::vector<std::string> Generator::prologue() {
  return {"directory exchange-user \"李雷\" li.lei@example.com",
          "directory exchange-list \"Design Team\" design-team@example.com",
          "directory exchange-agent \"Room Booking\" rooms@example.com"};
}

int Generator::below(int n) {
  return n <= 1 ? 0 : static_cast<int>(std::uniform_int_distribution<int>(0, n - 1)(random_));
}

bool Generator::chance(double p) { return std::uniform_real_distribution<double>(0, 1)(random_) < p; }

Answers Generator::answers() {
  Answers a;
  const int who = below(20);
  a.sign_in = who < 13   ? "alice alice-pass"
              : who < 17 ? "bob bob-pass"
              : who < 18 ? "\"李雷\" \"密码123\""
                         : "cancel";
  a.organisation = chance(0.85) ? "研发中心" : "cancel";
  const int options = below(20);
  a.options = options < 8    ? "ok"
              : options < 15 ? "password 1234 ok"
              : options < 17 ? "mute ok"
              : options < 18 ? "mute password 5678 ok"
                             : "cancel";
  a.sign_out = chance(0.8) ? "ok" : "cancel";
  return a;
}

Fault Generator::fault() {
  Fault f;
  f.kind = pick(options_.faults);
  if (f.kind == FaultKind::status) f.value = pick(std::vector<int>{500, 502, 503});
  if (f.kind == FaultKind::code) f.value = pick(std::vector<int>{-1, -100, -401, -404, -602});
  const int which = below(20);
  f.request = which < 12 ? 1 : which < 17 ? 2 : 3;
  return f;
}

std::string Generator::subject() {
  std::string s = pick(kSubjects);
  if (!s.empty() && chance(0.5)) s += " " + std::to_string(1 + below(3));
  if (chance(0.03)) s = std::string(65, 'x');  // longer than the service takes
  return s;
}

std::optional<std::string> Generator::window_move(const World& world, const Item& item) {
  std::vector<Weighted> moves;
  const auto add = [&](double weight, std::string step) {
    moves.push_back({weight, std::move(step)});
  };
  add(2, "type subject " + quoted(subject()));
  add(1, "type location " + quoted(pick(kLocations)));
  add(1, "type body " + quoted(pick(kBodies)));
  add(1, "add attendee " + pick(kAttendees));
  add(0.5, "type to " + quoted(pick(kTyped)));
  add(0.5, "type without leaving to " + quoted(pick(kTyped)));
  const int hour = 8 + below(10);
  const std::string time = (hour < 10 ? "0" : "") + std::to_string(hour) + (chance(0.5) ? ":00" : ":30");
  add(1.5, "set start +" + std::to_string(1 + below(20)) + "d " + time);
  add(0.6, "set duration " + pick(std::vector<std::string>{"15", "45", "60", "90", "0"}));
  add(0.4, "set recurrence " +
               pick(std::vector<std::string>{"none", "daily 3", "weekly 4", "monthly 2"}));
  for (const char* control : {"Mivo-03_Add", "Mivo-03_Cancel", "Mivo-03_Setting",
                              "MIVO-03_AccountSetting", "MIVO-03_Cancellation"}) {
    if (!shows(world, control)) continue;
    const std::string id = control;
    add(id == "Mivo-03_Add" ? 4 : id == "Mivo-03_Cancel" ? 1.2 : id == "Mivo-03_Setting" ? 1 : 0.4,
        "click " + id);
  }
  const bool meeting = item.meeting_status == 1 || item.meeting_status == 5;
  // An item with an online meeting is what the add-in works for: edits and
  // sends there come more often.
  const bool online = !item.mivo.empty();
  if (online) {
    add(1.5, "set start +" + std::to_string(1 + below(20)) + "d " + time);
    add(0.5, "type subject " + quoted(subject()));
  }
  if (meeting) add(online ? 5 : 2, "send");
  // A send the service refused leaves the window open: a user may give up.
  if (last_was_send_ && item.dirty) add(4, "close discarding");
  add(1, "save");
  add(1.5, "save and close");
  add(2, item.dirty ? pick(std::vector<std::string>{"close saving", "close discarding"})
                    : std::string("close"));
  add(0.3, "delete");
  if (item.meeting_status == 1) add(0.4, "cancel meeting");
  add(0.8, "window explorer");
  return draw(moves, random_);
}

std::optional<std::string> Generator::main_move(const World& world) {
  std::vector<Weighted> moves;
  const auto add = [&](double weight, std::string step) {
    moves.push_back({weight, std::move(step)});
  };
  if (world.current_window != 0) {
    add(1, "window explorer");
  } else {
    if (shows(world, "MIVO-00_AccountSetting")) add(2, "click MIVO-00_AccountSetting");
    if (shows(world, "MIVO-00_Cancellation")) add(0.6, "click MIVO-00_Cancellation");
    if (shows(world, "MIVO-00_ScheduleMeeting")) add(1.2, "click MIVO-00_ScheduleMeeting");
  }
  add(1.2, "new appointment");
  add(1.8, "new meeting");
  std::vector<const Item*> stored, calendar;
  for (const auto& item : world.items) {
    if (!item.appointment || !item.saved) continue;
    stored.push_back(&item);
    if (item.folder == "Calendar" && !item.window) calendar.push_back(&item);
  }
  // Items with an online meeting are opened and copied more often.
  std::vector<const Item*> online, online_calendar;
  for (const Item* item : stored) {
    if (item->mivo.empty()) continue;
    online.push_back(item);
    if (item->folder == "Calendar" && !item->window) online_calendar.push_back(item);
  }
  const auto some = [&](const std::vector<const Item*>& all, const std::vector<const Item*>& best) {
    return !best.empty() && chance(0.7) ? pick(best) : pick(all);
  };
  if (!stored.empty()) {
    add(online.empty() ? 2 : 4, "open " + item_reference(world, *some(stored, online)));
    add(0.3, "delete item " + item_reference(world, *pick(stored)));
  }
  if (!calendar.empty()) {
    add(online_calendar.empty() ? 0.3 : 1, "copy " + item_reference(world, *some(calendar, online_calendar)));
    add(0.3, "copy to my calendar " + item_reference(world, *some(calendar, online_calendar)));
  }
  add(0.2, "receive request \"Design Team\" " + quoted(subject()) + " +2d 10:00 30");
  add(world.addin_connected ? 0.2 : 1.5, world.addin_connected ? "disconnect" : "connect");
  add(0.6, "quit");
  add(0.4, "clock advance " + pick(std::vector<std::string>{"60", "3600", "259200"}));
  int open = 0;
  for (const auto& item : world.items) open = std::max(open, item.window);
  if (open > 0) add(1.5, "window " + std::to_string(1 + below(open)));
  return draw(moves, random_);
}

std::optional<Move> Generator::next(const World& world) {
  Move move;
  move.answers = answers();
  if (!world.running) {
    if (ending_) return std::nullopt;
    move.step = "start";
  } else if (moves_ >= length_) {
    ending_ = true;
    move.step = "quit";
  } else {
    const Item* current = world.current_window ? world.item(world.current) : nullptr;
    const bool in_window = current && current->appointment && current->window;
    move.step = *(in_window && chance(0.8) ? window_move(world, *current) : main_move(world));
  }
  ++moves_;
  last_was_send_ = move.step == "send";
  const bool quiet = move.step.rfind("type ", 0) == 0 || move.step.rfind("set ", 0) == 0 ||
                     move.step.rfind("window", 0) == 0 || move.step.rfind("clock", 0) == 0 ||
                     move.step.rfind("add attendee", 0) == 0;
  // Sends, saves and closes are where a failure costs most: faults come
  // twice as often there.
  const bool costly = move.step == "send" || move.step.rfind("save", 0) == 0 ||
                      move.step.rfind("close", 0) == 0;
  if (!quiet && chance(options_.fault_rate * (costly ? 2 : 1)) && !options_.faults.empty())
    move.fault = fault();
  return move;
}

std::string item_reference(const World& world, const Item& item) {
  int n = 0;
  for (const auto& other : world.items) {
    if (!other.appointment || !other.saved || other.subject != item.subject) continue;
    ++n;
    if (other.serial == item.serial) break;
  }
  return quoted(item.subject) + (n > 1 ? " " + std::to_string(n) : "");
}

}  // namespace mivo::explorer

// The invariants, step by step. What each one allows, and why, is in the
// README of the explorer.
#include "invariants.h"

#include <algorithm>
#include <cctype>

#include "portable/json.h"

namespace mivo::explorer {

using outlookhost::Step;
using outlookhost::StepKind;

namespace {

constexpr int kMeetingCanceled = 5;  // OlMeetingStatus olMeetingCanceled
constexpr char kSchedulePath[] = "/rest/api/conference/schedule";
constexpr char kSinglePath[] = "/rest/api/conference/schedule/single";

std::string lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::vector<std::string> sorted_lower(const std::vector<std::string>& list) {
  std::vector<std::string> out;
  for (const auto& s : list) out.push_back(lower(s));
  std::sort(out.begin(), out.end());
  return out;
}

std::string query_value(const std::string& query, const std::string& name) {
  std::size_t at = 0;
  while (at <= query.size()) {
    const std::size_t end = std::min(query.find('&', at), query.size());
    const std::string pair = query.substr(at, end - at);
    if (pair.rfind(name + "=", 0) == 0) return pair.substr(name.size() + 1);
    at = end + 1;
  }
  return "";
}

std::string word(const Step& step, std::size_t i) {
  return i < step.arguments.size() && !step.arguments[i].quoted ? step.arguments[i].text : "";
}

bool closes_without_saving(const Step& step) {
  return step.kind == StepKind::Quit || step.kind == StepKind::Delete ||
         step.kind == StepKind::DeleteItem ||
         (step.kind == StepKind::Close && word(step, 0) == "discarding");
}

bool saves_current(const Step& step) {
  return step.kind == StepKind::Send || step.kind == StepKind::Save ||
         step.kind == StepKind::SaveAndClose || step.kind == StepKind::CancelMeeting ||
         (step.kind == StepKind::Close && word(step, 0) == "saving");
}

Violation violation(int invariant, std::string reason, std::string detail) {
  return Violation{invariant, std::move(reason), std::move(detail)};
}

std::string item_name(const Item& item) {
  return "item " + std::to_string(item.serial) + " \"" + item.subject + "\"";
}

}  // namespace

void Invariants::begin(const World& world) {
  before_ = world;
  learn_meetings(world);
}

std::vector<Violation> Invariants::after(const Step& step, const std::vector<Step>& prepared,
                                         const World& world) {
  std::vector<Violation> out;
  const std::set<int> acting = acting_items(world);

  // Which windows the add-in watches: those opened while it was on. What
  // was saved or sent from another window has gone its own way.
  if (saves_current(step) && !watched_.count(before_.current)) diverged_.insert(before_.current);
  if (step.kind == StepKind::Disconnect) watched_.clear();
  for (const auto& item : world.items) {
    const Item* was = before_.item(item.serial);
    const bool opened = item.window && (!was || !was->window);
    if (opened && before_.addin_connected && world.addin_connected) watched_.insert(item.serial);
  }

  // A password the user set in the meeting options, for the next update.
  if (step.kind == StepKind::Click && !step.arguments.empty() &&
      step.arguments[0].text == "Mivo-03_Setting" && world.showed("meeting-options")) {
    for (const auto& p : prepared) {
      if (p.kind != StepKind::AnswerMeetingOptions || p.arguments.back().text != "ok") continue;
      for (std::size_t i = 0; i + 1 < p.arguments.size(); ++i) {
        if (word(p, i) == "password") new_password_[before_.current] = p.arguments[i + 1].text;
      }
    }
  }

  check_requests(world, acting, out);
  for (const auto& was : before_.items) {
    const Item* now = world.item(was.serial);
    if (was.window && (!now || !now->window)) {
      watched_.erase(was.serial);
      new_password_.erase(was.serial);
    }
  }
  learn_meetings(world);
  follow_text(step, world);
  check_orphans(world, out);
  check_links(world, out);
  check_send(step, world, out);
  check_text(world, out);
  before_ = world;
  return out;
}

std::set<int> Invariants::acting_items(const World& world) const {
  std::set<int> acting;
  if (before_.current) acting.insert(before_.current);
  for (const auto& item : world.items) {
    const Item* was = before_.item(item.serial);
    if (!was || (was->window != 0) != (item.window != 0)) acting.insert(item.serial);
  }
  for (const auto& was : before_.items) {
    if (was.window && !world.item(was.serial)) acting.insert(was.serial);
  }
  return acting;
}

void Invariants::learn_meetings(const World& world) {
  for (const auto& m : world.meetings) {
    if (made_.count(m.key)) continue;
    made_[m.key] = Made{0, m.password, m.host_user_id, m.host_user_name};
  }
  for (const auto& item : world.items) {
    if (!item.appointment) continue;
    const std::string key = meeting_key_of(own_record(item));
    auto found = made_.find(key);
    if (!key.empty() && found != made_.end() && found->second.owner == 0)
      found->second.owner = item.serial;
  }
}

void Invariants::follow_text(const Step& step, const World& world) {
  const int current = before_.current;
  if ((step.kind == StepKind::Type || step.kind == StepKind::TypeWithoutLeaving) && current) {
    const std::string field = step.arguments[0].text;
    const std::string& text = step.arguments[1].text;
    if (field == "subject") typed_[current].subject = text;
    if (field == "location") typed_[current].location = text;
    if (field == "body") typed_[current].body = text;
  }
  for (const auto& item : world.items) {
    if (!before_.item(item.serial) && item.copied_from) {
      typed_[item.serial] = typed_[item.copied_from];
      saved_typed_[item.serial] = typed_[item.copied_from];
    }
  }
  for (const auto& was : before_.items) {
    const Item* now = world.item(was.serial);
    if (!now) {
      typed_.erase(was.serial);
      saved_typed_.erase(was.serial);
    } else if (was.window && !now->window) {
      // The window closed: what it held was kept, or given up.
      if (closes_without_saving(step))
        typed_[was.serial] = saved_typed_[was.serial];
      else
        saved_typed_[was.serial] = typed_[was.serial];
    }
  }
  for (const auto& item : world.items) {
    if (item.window && !item.dirty && item.saved) saved_typed_[item.serial] = typed_[item.serial];
  }
}

void Invariants::check_orphans(const World& world, std::vector<Violation>& out) {
  const bool faulted = std::any_of(world.requests.begin(), world.requests.end(),
                                   [](const Request& r) { return r.faulted; });
  const bool refused_sign_in = world.showed("sign-in") && world.user.empty();
  for (const auto& m : world.meetings) {
    // A meeting of a user, or of an organisation's account, the service
    // does not take the stored token for is out of the add-in's reach: the
    // service refuses another user's removal, and the add-in touches no
    // meeting of another account.
    if (m.host != world.user || m.host_account != world.account) {
      if (!excused_.count(m.key)) {
        bool owned = false;
        for (const auto& item : world.items)
          owned = owned || (item.appointment && meeting_key_of(own_record(item)) == m.key);
        if (!owned) excused_.insert(m.key);
      }
      continue;
    }
    int owners = 0;
    for (const auto& item : world.items) {
      if (item.appointment && meeting_key_of(own_record(item)) == m.key) ++owners;
    }
    if (owners > 1) {
      out.push_back(violation(1, "two-owners",
                              std::to_string(owners) + " items name meeting " + m.key));
    }
    if (owners > 0 || excused_.count(m.key)) continue;
    const Item* last_owner = nullptr;
    for (const auto& item : before_.items) {
      if (item.appointment && meeting_key_of(own_record(item)) == m.key) last_owner = &item;
    }
    const bool created_now = !before_.meeting(m.key);
    if (created_now && faulted) {
      // The answer to its creation never reached the add-in.
      excused_.insert(m.key);
    } else if (last_owner && (faulted || refused_sign_in)) {
      // Its removal met the fault, or a sign-in the user refused.
      excused_.insert(m.key);
    } else if (last_owner && !world.item(last_owner->serial) &&
               (!last_owner->window || meeting_key_of(last_owner->mivo_saved) == m.key)) {
      // Its item was deleted for good, from the list or from its own window
      // (then the item as saved must have named it: a meeting made in that
      // window and never kept is the window's to remove); nothing is done on
      // a deletion.
      excused_.insert(m.key);
    } else {
      out.push_back(violation(
          1, "orphan",
          "the service keeps meeting " + m.key + " (\"" + m.subject + "\") and no item names it" +
              (last_owner ? "; " + item_name(*last_owner) + " named it before this step" : "")));
    }
  }
}

void Invariants::check_links(const World& world, std::vector<Violation>& out) {
  for (const auto& item : world.items) {
    if (!item.appointment || item.window || !item.saved) continue;
    const std::string key = meeting_key_of(own_record(item));
    if (key.empty() || world.meeting(key)) continue;
    out.push_back(violation(2, "dangling",
                            item_name(item) + " in " + item.folder + " names meeting " + key +
                                ", which the service does not have"));
  }
}

void Invariants::check_send(const Step& step, const World& world, std::vector<Violation>& out) {
  if (step.kind != StepKind::Send || world.sent <= before_.sent) return;
  const Item* item = world.item(before_.current);
  if (!item || !item->appointment || item->meeting_status == kMeetingCanceled) return;
  const std::string key = meeting_key_of(own_record(*item));
  const Meeting* m = world.meeting(key);
  // A window that shows the meeting as removed sends none.
  const bool removed = std::find(before_.controls.begin(), before_.controls.end(),
                                 "Mivo-03_Add") != before_.controls.end();
  if (key.empty() || !m || removed || diverged_.count(item->serial)) return;
  std::vector<std::string> differ;
  if (m->subject != item->subject) differ.push_back("subject \"" + m->subject + "\"");
  if (m->start != item->start) differ.push_back("start " + m->start);
  if (m->duration != item->duration) differ.push_back("duration " + std::to_string(m->duration));
  if (sorted_lower(m->participants) != sorted_lower(item->attendees))
    differ.push_back(std::to_string(m->participants.size()) + " participants");
  if (m->recurring != item->recurring) differ.push_back(m->recurring ? "a series" : "no series");
  std::string list;
  for (const auto& d : differ) list += (list.empty() ? "" : ", ") + d;
  if (!differ.empty())
    out.push_back(violation(3, "record-differs",
                            "after the send of " + item_name(*item) + " meeting " + key +
                                " has " + list + " where the item has \"" + item->subject +
                                "\" at " + item->start + " for " +
                                std::to_string(item->duration) + " minutes with " +
                                std::to_string(item->attendees.size()) + " attendees"));
  const Made& made = made_[key];
  if (m->password != made.password)
    out.push_back(violation(3, "password-lost",
                            "meeting " + key + " was made with the password \"" + made.password +
                                "\" and has \"" + m->password + "\" after the send"));
  if (m->host_user_id != made.host_user_id || m->host_user_name != made.host_user_name)
    out.push_back(violation(3, "host-lost",
                            "meeting " + key + " was made for host \"" + made.host_user_id +
                                "\" (\"" + made.host_user_name + "\") and has \"" +
                                m->host_user_id + "\" (\"" + m->host_user_name +
                                "\") after the send"));
}

void Invariants::check_text(const World& world, std::vector<Violation>& out) const {
  for (const auto& item : world.items) {
    const auto found = typed_.find(item.serial);
    if (found == typed_.end()) continue;
    const Typed& typed = found->second;
    const auto kept = [&](const char* field, const std::optional<std::string>& want,
                          const std::string& has, bool whole) {
      if (!want || want->empty()) return;
      if (whole ? has == *want : has.compare(0, want->size(), *want) == 0) return;
      out.push_back(violation(4, "text-changed",
                              "the user typed the " + std::string(field) + " \"" + *want +
                                  "\" of " + item_name(item) + ", which now has \"" + has +
                                  "\""));
    };
    kept("subject", typed.subject, item.subject, true);
    kept("location", typed.location, item.location, true);
    kept("body", typed.body, item.body, false);
  }
}

void Invariants::check_requests(const World& world, const std::set<int>& acting,
                                std::vector<Violation>& out) {
  const std::string user = world.user.empty() ? before_.user : world.user;
  for (const auto& r : world.requests) {
    const bool update = r.method == "PUT" && (r.path == kSchedulePath || r.path == kSinglePath);
    const bool removal = r.method == "DELETE" && r.path == kSchedulePath;
    if (!update && !removal) continue;
    const std::string what = r.method + " " + r.path + (r.query.empty() ? "" : "?" + r.query);
    std::string key;
    if (update) {
      Json::Value body;
      parse_json(r.body.c_str(), body);  // the agent sends the string's terminator too
      const std::string id = read_text(member(body, "hostUserId")).value_or("");
      const std::string name = read_text(member(body, "hostUserName")).value_or("");
      if (id.empty() || name.empty())
        out.push_back(violation(5, "empty-host",
                                what + " carries the host \"" + id + "\" (\"" + name + "\")"));
      if (read_text(member(body, "conferenceId")).value_or("").empty())
        out.push_back(violation(5, "empty-conference-id", what + " names no conference"));
      key = read_text(member(body, "meetingKey")).value_or("");
      // A new password goes with the update of the item it was set in.
      const std::string password = read_text(member(body, "password")).value_or("");
      for (int serial : acting) {
        auto set = new_password_.find(serial);
        if (set == new_password_.end() || set->second != password || r.faulted) continue;
        if (made_.count(key)) made_[key].password = password;
        new_password_.erase(set);
        break;
      }
    } else {
      const std::string id = query_value(r.query, "id");
      if (id.empty()) out.push_back(violation(5, "empty-conference-id", what));
      if (const Meeting* m = before_.meeting_of_conference(id)) key = m->key;
    }
    if (key.empty()) continue;
    const auto made = made_.find(key);
    if (made != made_.end() && made->second.owner && !acting.count(made->second.owner)) {
      const Item* owner = before_.item(made->second.owner);
      out.push_back(violation(5, "other-item",
                              what + " acts on meeting " + key + " of " +
                                  (owner ? item_name(*owner) : "item " +
                                                                  std::to_string(
                                                                      made->second.owner))));
    }
    const Meeting* m = before_.meeting(key);
    if (m && !user.empty() && m->host != user)
      out.push_back(violation(5, "other-user",
                              what + " acts on meeting " + key + " of " + m->host + " for " +
                                  user));
  }
}

}  // namespace mivo::explorer

// The rules a session must keep after every step, checked against the world
// the step left and what the invariants remember of the steps before:
//
//   I1 no orphan: every meeting the service holds is named by the own
//      "MIVO" record of exactly one appointment, saved or in an open window;
//   I2 no dangling link: a saved appointment's own record names a meeting
//      the service has;
//   I3 faithful: after a send that went out, the service's record of the
//      item's meeting matches the item and keeps the password and host it
//      was made with unless the user changed them;
//   I4 the user's text is kept: subject, location and body text the user
//      typed are not removed or changed by the add-in (the invitation inside
//      its bookmark is the add-in's);
//   I5 no request that cannot be right: no update or deletion with an empty
//      conference id or host, for a meeting of another item or user;
//   I6 every session ends (judged by the program that runs the steps).
//
// What the design removes or loses on purpose, and what a fault of the
// service or a refused sign-in leaves behind, is allowed; README.md lists
// each exception.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "scenario.h"
#include "world.h"

namespace mivo::explorer {

struct Violation {
  int invariant = 0;   // 1 to 6
  std::string reason;  // a short word for the kind of breach: "orphan", "empty-host", ...
  std::string detail;  // for a person
  std::string label() const { return "I" + std::to_string(invariant) + " " + reason; }
};

class Invariants {
 public:
  // The world before the first step.
  void begin(const World& world);
  // After an action step, with the answer steps prepared for it: every rule
  // the step broke (none: an empty list).
  std::vector<Violation> after(const outlookhost::Step& step,
                               const std::vector<outlookhost::Step>& prepared,
                               const World& world);

 private:
  struct Typed {
    std::optional<std::string> subject, location, body;
  };
  struct Made {
    int owner = 0;  // the item whose own record first named it
    std::string password;
    std::string host_user_id;
    std::string host_user_name;
  };

  void learn_meetings(const World& world);
  void follow_text(const outlookhost::Step& step, const World& world);
  std::set<int> acting_items(const World& world) const;
  void check_orphans(const World& world, std::vector<Violation>& out);
  void check_links(const World& world, std::vector<Violation>& out);
  void check_send(const outlookhost::Step& step, const World& world,
                  std::vector<Violation>& out);
  void check_text(const World& world, std::vector<Violation>& out) const;
  void check_requests(const World& world, const std::set<int>& acting,
                      std::vector<Violation>& out);

  World before_;
  std::map<std::string, Made> made_;        // by meeting key
  std::set<std::string> excused_;           // orphans allowed, by key
  std::map<int, Typed> typed_, saved_typed_;  // what the user typed, by item
  std::map<int, std::string> new_password_;   // set in an item's options dialog, not yet sent
  std::set<int> diverged_;  // items saved or sent where the add-in was not watching
  std::set<int> watched_;   // items whose open window the add-in watches
};

}  // namespace mivo::explorer

// How a violation is told: the state of the world in a few lines, and the
// shrunk session as a scenario that the ordinary host replays, checking the
// invariants from its first line.
#pragma once

#include <string>
#include <vector>

#include "invariants.h"
#include "moves.h"

namespace mivo::explorer {

// The dialogs a move's run answered and whether its fault took a request.
struct MoveRun {
  std::vector<std::string> answered;
  bool fault_taken = false;
  double milliseconds = 0;  // the step and the reading of the world after it
};

// The items (appointments with a record or a window) and the meetings.
std::vector<std::string> describe_state(const World& world);

// The lines the host prints when a step breaks an invariant.
std::vector<std::string> describe_violations(const std::vector<Violation>& found,
                                             const World& world);

// The scenario: `comment` as its opening comment, then "invariants", the
// address book and each move with the answers its dialogs took.
std::string write_scenario(const std::vector<std::string>& comment,
                           const std::vector<Move>& moves, const std::vector<MoveRun>& runs);

// A step without its texts, numbers and dates: "click Mivo-03_Add", "type
// subject", "open".
std::string step_kind(const std::string& step);

// A session's shape: each move's step kind, with its fault when it carries
// one ("send (fault drop)").
std::vector<std::string> shape(const std::vector<Move>& moves);

}  // namespace mivo::explorer

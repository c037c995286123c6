// A session of the explorer as a list of moves: a scenario step, the
// answers the robot stands ready to give to the dialogs it may bring, and a
// fault of the reference service on one of its requests. A session is
// written out as an ordinary scenario with the answers the dialogs that
// came actually took.
#pragma once

#include <string>
#include <vector>

#include "world.h"

namespace mivo::explorer {

enum class FaultKind { none, drop, late, status, code, malformed, empty };

struct Fault {
  FaultKind kind = FaultKind::none;
  int value = 0;    // the HTTP status or the envelope's code
  int request = 1;  // which request of the step it takes, from 1
  // The scenario line, "" for none.
  std::string line() const;
  // The kind's word: "drop", "status", ...
  std::string name() const;
};

// What the robot answers whenever such a dialog comes during the move.
struct Answers {
  std::string sign_in = "cancel";       // "<user> <password>" or "cancel"
  std::string organisation = "cancel";  // an organisation's name or "cancel"
  std::string options = "ok";           // "[mute] [password <digits>] ok|cancel"
  std::string sign_out = "ok";          // "ok" or "cancel"
};

struct Move {
  std::string step;  // one scenario line
  Answers answers;
  Fault fault;
};

// The answer lines the robot stands ready with: each of the move's answers
// for a first try and one more (after a refused request), and after them
// "cancel" for every dialog, as a person gives up.
std::vector<std::pair<std::string, int>> standing_lines(const Answers& answers);

// The lines a move becomes in a scenario: the answer lines its dialogs
// took, in order, its fault when the fault took a request, its step.
std::vector<std::string> scenario_lines(const Move& move, const std::vector<std::string>& answered,
                                        bool fault_taken);

// A text as a quoted scenario argument.
std::string quoted(const std::string& text);

}  // namespace mivo::explorer

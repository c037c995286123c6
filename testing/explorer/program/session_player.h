// Plays the explorer's sessions in the Outlook host, in this process: each
// on a fresh host, a reset service and a signed-out user, move by move
// through the scenario runner with the robot's standing answers and the
// service's fault, the world read and the invariants checked after each.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "invariants.h"
#include "moves.h"
#include "refservice_client.h"
#include "report.h"
#include "scenario_runner.h"

namespace mivo::explorer {

struct SessionRun {
  std::vector<Move> moves;  // as played, up to the one that broke a rule
  std::vector<MoveRun> runs;
  std::vector<Violation> violations;  // what the last move broke
  World world;                        // after the last move
  std::string mistake;  // a move the host could not take: the explorer's error, not the product's
};

class session_player {
 public:
  explicit session_player(refservice::Client& service) : service_(service) {}

  // Moves from `next` until it gives none or a rule breaks.
  SessionRun play(const std::function<std::optional<Move>(const World&)>& next);
  SessionRun replay(const std::vector<Move>& moves);

  // Back to a fresh service and a user who never signed in.
  void reset();
  // Told every move before it is played.
  std::function<void(const Move&)> on_move;

 private:
  refservice::Client& service_;
};

// The standing answers of a move, as the scenario runner takes them.
std::vector<outlookhost::standing_answer> answer_steps(const Answers& answers);

}  // namespace mivo::explorer

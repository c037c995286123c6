// Delta debugging over the moves, then over their faults.
#include "shrink.h"

#include <algorithm>

namespace mivo::explorer {

std::vector<Move> shrink(std::vector<Move> moves,
                         const std::function<bool(const std::vector<Move>&)>& still_fails,
                         int trials) {
  const auto attempt = [&](const std::vector<Move>& candidate) {
    if (trials <= 0) return false;
    --trials;
    return still_fails(candidate);
  };
  // Runs of moves, halving their length; the last pass, one move at a time,
  // goes on while it removes anything.
  std::size_t run = std::max<std::size_t>(1, moves.size() / 2);
  for (bool removed = true; trials > 0 && (run > 1 || removed);) {
    removed = false;
    // From the end: later moves depend on earlier ones more often than the
    // other way round.
    for (std::size_t end = moves.size(); end > 0 && trials > 0;) {
      const std::size_t begin = end >= run ? end - run : 0;
      std::vector<Move> candidate(moves.begin(), moves.begin() + begin);
      candidate.insert(candidate.end(), moves.begin() + end, moves.end());
      if (attempt(candidate)) {
        moves = std::move(candidate);
        removed = true;
      }
      end = begin;
    }
    if (run > 1) {
      run /= 2;
      removed = true;
    }
  }
  // Two neighbours that only go together (a save and the open that needs it).
  for (std::size_t end = moves.size(); end >= 2 && trials > 0; --end) {
    if (end > moves.size()) continue;
    std::vector<Move> candidate(moves.begin(), moves.begin() + (end - 2));
    candidate.insert(candidate.end(), moves.begin() + end, moves.end());
    if (attempt(candidate)) moves = std::move(candidate);
  }
  for (std::size_t i = 0; i < moves.size() && trials > 0; ++i) {
    if (moves[i].fault.kind == FaultKind::none) continue;
    std::vector<Move> candidate = moves;
    candidate[i].fault = Fault{};
    if (attempt(candidate)) moves = std::move(candidate);
  }
  return moves;
}

}  // namespace mivo::explorer

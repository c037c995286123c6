// Shrinking a failing session: moves are dropped, in runs and then one at a
// time, and faults cleared, as long as the session still breaks the same
// rule.
#pragma once

#include <functional>
#include <vector>

#include "moves.h"

namespace mivo::explorer {

// `still_fails` runs a candidate session and says whether it breaks the same
// rule. At most `trials` candidates are run; the smallest failing session
// found is returned.
std::vector<Move> shrink(std::vector<Move> moves,
                         const std::function<bool(const std::vector<Move>&)>& still_fails,
                         int trials = 150);

}  // namespace mivo::explorer

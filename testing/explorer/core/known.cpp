// The known faults.
#include "known.h"

#include <algorithm>

namespace mivo::explorer {

const std::vector<KnownFault>& known_faults() {
  static const std::vector<KnownFault> table = {
      {"removed-then-discarded", true,
       "removing the online meeting and closing without saving leaves the saved item naming a "
       "meeting the service no longer has",
       {"I2 dangling"},
       {"click Mivo-03_Cancel", "close discarding|quit|delete"}},
      {"saved-then-sent", true,
       "a change saved without sending and sent from a later window never reaches the service: "
       "the window compares the item with itself as opened",
       {"I3 record-differs"},
       {"save|close saving|save and close", "open", "send"}},
  };
  return table;
}

const KnownFault* classify(const Violation& violation, const std::vector<std::string>& shape) {
  for (const auto& known : known_faults()) {
    if (std::find(known.labels.begin(), known.labels.end(), violation.label()) ==
        known.labels.end())
      continue;
    auto at = shape.begin();
    bool all = true;
    for (const auto& wanted : known.steps) {
      at = std::find_if(at, shape.end(), [&](const std::string& s) {
        // Alternatives are written "a|b".
        for (std::size_t from = 0; from <= wanted.size();) {
          const std::size_t bar = std::min(wanted.find('|', from), wanted.size());
          if (s.rfind(wanted.substr(from, bar - from), 0) == 0) return true;
          from = bar + 1;
        }
        return false;
      });
      if (at == shape.end()) {
        all = false;
        break;
      }
      ++at;
    }
    if (all) return &known;
  }
  return nullptr;
}

}  // namespace mivo::explorer

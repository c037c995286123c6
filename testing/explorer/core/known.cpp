// The known faults.
#include "known.h"

#include <algorithm>

namespace mivo::explorer {

const std::vector<KnownFault>& known_faults() {
  static const std::vector<KnownFault> table = {
      {"update-after-reopening", false,
       "an update sent from a later window goes out without the meeting's host and password",
       {"I5 empty-host", "I3 password-lost", "I3 host-lost"},
       {"open", "send"}},
      {"cancel-clears-typed-text", false,
       "removing the online meeting (or the first save) clears the subject and location the "
       "user typed",
       {"I4 text-changed"},
       {"type subject|type location", "click Mivo-03_Cancel|save|close saving"}},
      {"refused-send-then-close", false,
       "a send the service refuses marks the item as sent, and closing it unsaved leaves the "
       "meeting on the service",
       {"I1 orphan"},
       {"send (fault", "close discarding|quit|delete"}},
      {"copy-acts-for-original", false, "a copy of an appointment acts for the original's meeting",
       {"I5 other-item", "I2 dangling", "I1 two-owners"},
       {"copy"}},
      {"meeting-after-an-earlier-save", true,
       "a meeting added in a later window of an item saved before is left on the service when "
       "that window closes unsaved",
       {"I1 orphan"},
       {"save|send|close saving", "open", "click Mivo-03_Add", "close discarding|quit|delete"}},
      {"removed-then-discarded", true,
       "removing the online meeting and closing without saving leaves the saved item naming a "
       "meeting the service no longer has",
       {"I2 dangling"},
       {"click Mivo-03_Cancel", "close discarding|quit|delete"}},
      {"options-forget-password", true,
       "the meeting options of a meeting with a password open with the password field empty, "
       "and OK sends the update without it",
       {"I3 password-lost"},
       {"click Mivo-03_Setting|click MIVO-03_Setting", "send"}},
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

// The product faults the explorer finds today and that are known: each by
// the rules it breaks and the steps its shrunk session takes, with the
// scenario kept under addin/scenarios/known/ that fails until it is fixed.
// The explorer's test in CI passes when everything it finds is one of them.
#pragma once

#include <string>
#include <vector>

#include "invariants.h"

namespace mivo::explorer {

// Office's language in every session and every replay of a scenario:
// Chinese, the add-in's first, so that a scenario names the subjects the
// add-in made as they were.
constexpr unsigned long kOfficeLanguage = 2052;

struct KnownFault {
  // The scenario's file name under addin/scenarios/known/ or, for a fault
  // found beyond the ones the issue named (reported, not yet decided), under
  // testing/explorer/findings/.
  std::string scenario;
  bool reported = false;
  std::string summary;              // what goes wrong, in a line
  std::vector<std::string> labels;  // the breaches it shows: "I3 password-lost", ...
  // Steps its sessions take, in this order, among others: each the start
  // of a step's shape, or alternatives "a|b".
  std::vector<std::string> steps;
};

const std::vector<KnownFault>& known_faults();

// The known fault a violation and its shrunk session's shape are; null when
// it is none of them.
const KnownFault* classify(const Violation& violation, const std::vector<std::string>& shape);

}  // namespace mivo::explorer

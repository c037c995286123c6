// The explorer's world read from the Outlook host (or, between an exit and
// the next start, from the store it kept), the scenario runner's last action
// and the reference service; and the watch that checks the invariants after
// every action of a scenario that asks for them.
#pragma once

#include <string>
#include <vector>

#include "dialog_robot.h"
#include "invariants.h"
#include "scenario_runner.h"
#include "world.h"

namespace mivo::explorer {

World capture(outlookhost::scenario_runner& runner);

// The kinds of the dialogs and message boxes shown ("sign-in", ...).
std::vector<Shown> shown_of(const std::vector<robot::ShownWindow>& windows);

// Checks the invariants after each action; a breach stops the scenario and
// is told with the state of the world.
class invariant_watch final : public outlookhost::step_watch {
 public:
  explicit invariant_watch(outlookhost::scenario_runner& runner);
  std::string after(const outlookhost::Step& step, const std::vector<outlookhost::Step>& prepared,
                    outlookhost::scenario_runner& runner) override;

 private:
  Invariants invariants_;
};

}  // namespace mivo::explorer

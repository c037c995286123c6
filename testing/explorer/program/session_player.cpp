// A session through the scenario runner, with a watchdog for steps that
// never end.
#include "session_player.h"

#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "generator.h"
#include "host_world.h"
#include "known.h"
#include "outlook_host.h"
#include "scenario_runner.h"

namespace mivo::explorer {

using outlookhost::parse_scenario;
using outlookhost::Step;

namespace {

constexpr wchar_t kSettingsKey[] = L"Software\\Mivo_Outlook\\General";
// Every dialog ends within the robot's patience; a step far beyond it hangs.
constexpr auto kStepLimit = std::chrono::seconds(150);

// Ends the process with I6 when a step does not end.
class step_watchdog {
 public:
  step_watchdog() : thread_([this] { watch(); }) {}
  ~step_watchdog() {
    stop_ = true;
    thread_.join();
  }
  void begin(const std::string& step) {
    step_ = step;
    started_ = std::chrono::steady_clock::now().time_since_epoch().count();
  }
  void end() { started_ = 0; }

 private:
  void watch() {
    while (!stop_) {
      std::this_thread::sleep_for(std::chrono::milliseconds(500));
      const auto started = started_.load();
      if (!started) continue;
      const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
      if (std::chrono::steady_clock::duration(now - started) < kStepLimit) continue;
      std::printf("INVARIANT I6 (hang) is broken: the step \"%s\" did not end\n", step_.c_str());
      std::fflush(stdout);
      ExitProcess(4);
    }
  }
  std::atomic<bool> stop_{false};
  std::atomic<std::chrono::steady_clock::rep> started_{0};
  std::string step_;
  std::thread thread_;
};

Step parsed(const std::string& line) {
  const auto scenario = parse_scenario(line + "\n");
  return scenario.errors.empty() && !scenario.steps.empty() ? scenario.steps.front() : Step{};
}

}  // namespace

std::vector<outlookhost::standing_answer> answer_steps(const Answers& answers) {
  std::vector<outlookhost::standing_answer> steps;
  for (const auto& [line, times] : standing_lines(answers)) steps.push_back({parsed(line), times});
  return steps;
}

void session_player::reset() {
  RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
  service_.reset();
}

SessionRun session_player::replay(const std::vector<Move>& moves) {
  std::size_t next = 0;
  return play([&](const World&) -> std::optional<Move> {
    if (next == moves.size()) return std::nullopt;
    return moves[next++];
  });
}

SessionRun session_player::play(const std::function<std::optional<Move>(const World&)>& next) {
  static step_watchdog watchdog;
  SessionRun result;
  reset();
  outlookhost::outlook_host host;
  host.outlook().set_language(kOfficeLanguage);
  outlookhost::scenario_runner runner(host, {}, [](const std::string&) {});
  for (const auto& line : Generator::prologue()) runner.perform(parsed(line));
  Invariants invariants;
  World world = capture(runner);
  invariants.begin(world);
  while (auto move = next(world)) {
    const auto standing = answer_steps(move->answers);
    runner.set_standing_answers(standing);
    // What the user means to answer, as the invariants read it.
    std::vector<Step> prepared;
    for (std::size_t i = 0; i < 4; ++i) prepared.push_back(standing[i].step);
    if (move->fault.kind != FaultKind::none) {
      prepared.push_back(parsed(move->fault.line()));
      runner.perform(prepared.back());
    }
    const Step step = parsed(move->step);
    if (step.source.empty()) {
      result.mistake = "not a step: " + move->step;
      break;
    }
    if (on_move) on_move(*move);
    watchdog.begin(move->step);
    const auto started = std::chrono::steady_clock::now();
    const bool done = runner.perform(step);
    watchdog.end();
    world = capture(runner);
    const double took =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started)
            .count();
    const bool taken = std::any_of(world.requests.begin(), world.requests.end(),
                                   [](const Request& r) { return r.faulted; });
    // A fault no request met did nothing: the move is kept without it, so
    // that the session's shape and its scenario say what happened.
    result.moves.push_back(*move);
    if (!taken) result.moves.back().fault = Fault{};
    result.runs.push_back(MoveRun{world.answered, taken, took});
    if (!done) {
      // A dialog nobody could answer is the product's; anything else is a
      // move the explorer should not have made.
      if (runner.last_error().rfind("the dialogs did not go as the script says", 0) == 0)
        result.violations.push_back(Violation{6, "unanswered", runner.last_error()});
      else
        result.mistake = move->step + ": " + runner.last_error();
      break;
    }
    result.violations = invariants.after(step, prepared, world);
    if (!result.violations.empty()) break;
  }
  result.world = world;
  // Outlook exits here as a step of its own, with the robot watching, if the
  // session did not end it: closing the windows still open may bring a
  // message, and the host's teardown has nobody to answer it.
  watchdog.begin("quit (the session's end)");
  runner.perform(parsed("quit"));
  watchdog.end();
  return result;
}

}  // namespace mivo::explorer

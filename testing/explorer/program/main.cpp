// mivo-explorer: random Outlook sessions with the add-in against the
// reference service, the service failing one request now and then, and the
// lifecycle invariants checked after every step. The first session that
// breaks a rule, for each kind of breach, is shrunk to a scenario that
// mivo-outlook.exe replays; the known product faults are named.
//
//   mivo-explorer [--sessions N] [--seed S] [--budget SECONDS] [--trials N]
//                 [--faults drop,late,...|none] [--out DIR] [--check] [--verbose]
//
// Session i plays seed S + i, so "--seed S+i --sessions 1" plays it again;
// --budget stops starting sessions after that many seconds. Each finding is
// shrunk with at most --trials sessions. With --check (the CI run) a
// finding whose breach and steps are those of a known fault is counted, not
// shrunk; anything else is shrunk, written and makes the exit code 1. A step
// that hangs ends the program with 4.
#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>

#include "addin_calls.h"
#include "com/testing/program.h"
#include "generator.h"
#include "host_test_support.h"
#include "known.h"
#include "session_player.h"
#include "shrink.h"
#include "testing/addin_test_support.h"
#include "win/wide_text.h"

namespace {

using namespace mivo::explorer;
using mivo::win::to_utf8;
using mivo::win::to_wide;

void say(const std::string& line) {
  const std::string text = line + "\n";
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()),
            &written, nullptr);
}

struct Options {
  int sessions = 200;
  std::uint64_t seed = 1;
  double budget = 0;  // seconds for the sessions; 0: no limit
  int trials = 60;    // sessions played to shrink one finding
  std::string out = "explorer";
  bool check = false;
  bool verbose = false;
  GeneratorOptions generator;
};

bool parse_faults(const std::string& list, std::vector<FaultKind>& out) {
  out.clear();
  if (list == "none") return true;
  std::size_t at = 0;
  while (at <= list.size()) {
    const std::size_t end = std::min(list.find(',', at), list.size());
    const std::string word = list.substr(at, end - at);
    bool known = false;
    for (FaultKind kind : {FaultKind::drop, FaultKind::late, FaultKind::status, FaultKind::code,
                           FaultKind::malformed, FaultKind::empty}) {
      if (Fault{kind}.name() == word) {
        out.push_back(kind);
        known = true;
      }
    }
    if (!known) return false;
    at = end + 1;
  }
  return !out.empty();
}

bool parse_options(int argc, wchar_t** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string argument = to_utf8(argv[i]);
    const bool has_value = i + 1 < argc;
    const std::string value = has_value ? to_utf8(argv[i + 1]) : "";
    try {
      if (argument == "--sessions" && has_value) {
        options.sessions = std::stoi(value);
        ++i;
      } else if (argument == "--seed" && has_value) {
        options.seed = std::stoull(value);
        ++i;
      } else if (argument == "--budget" && has_value) {
        options.budget = std::stod(value);
        ++i;
      } else if (argument == "--trials" && has_value) {
        options.trials = std::stoi(value);
        ++i;
      } else if (argument == "--out" && has_value) {
        options.out = value;
        ++i;
      } else if (argument == "--faults" && has_value) {
        if (!parse_faults(value, options.generator.faults)) return false;
        ++i;
      } else if (argument == "--check") {
        options.check = true;
      } else if (argument == "--verbose") {
        options.verbose = true;
      } else {
        return false;
      }
    } catch (const std::exception&) {
      return false;
    }
  }
  return options.sessions > 0;
}

// The first session that broke a rule in one way (its breach, and the
// known fault its session's shape shows, if any), and how many did.
struct Finding {
  Violation violation;
  const KnownFault* known = nullptr;
  std::uint64_t seed = 0;
  std::vector<Move> moves;
  int sessions = 0;
};

// A shrunk finding, written and replayed.
struct Report {
  std::vector<Move> moves;
  const KnownFault* known = nullptr;
  std::string file;
  std::string text;
  bool replays = false;
};

void write_file(const std::wstring& path, const std::string& text) {
  HANDLE file =
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

std::string file_name(const Violation& v, const KnownFault* known) {
  return "I" + std::to_string(v.invariant) + "-" + v.reason + "-" +
         (known ? known->scenario : std::string("new"));
}

Report shrink_and_write(session_player& player, const Finding& finding, const Options& options) {
  const std::string label = finding.violation.label();
  // The same breach, and the same known fault (or none): a shorter session
  // that shows another fault is not this finding's.
  const auto breaks = [&](const SessionRun& run) {
    const auto kinds = shape(run.moves);
    return std::any_of(run.violations.begin(), run.violations.end(), [&](const Violation& v) {
      return v.label() == label && classify(v, kinds) == finding.known;
    });
  };
  Report report;
  report.moves = shrink(
      finding.moves, [&](const std::vector<Move>& moves) { return breaks(player.replay(moves)); },
      options.trials);
  SessionRun last = player.replay(report.moves);
  if (!breaks(last)) {
    // Shrinking never gives a session that passes: the shortest one seen is
    // the unshrunk one, played again for its runs.
    report.moves = finding.moves;
    last = player.replay(report.moves);
  }
  // As played: the faults that met no request are gone.
  report.moves = last.moves;
  const std::vector<std::string> steps = shape(report.moves);
  Violation shown = finding.violation;
  for (const auto& v : last.violations) {
    if (v.label() == label) shown = v;
  }
  report.known = classify(shown, steps);
  std::vector<std::string> comment = {
      "Found by mivo-explorer (session seed " + std::to_string(finding.seed) + ", " +
          std::to_string(finding.moves.size()) + " moves), shrunk to " +
          std::to_string(report.moves.size()) + ".",
      report.known ? "Known fault \"" + report.known->scenario + "\": " + report.known->summary +
                         "."
                   : "Not a known fault.",
      "Breaks I" + std::to_string(shown.invariant) + " (" + shown.reason + ") at the step \"" +
          (report.moves.empty() ? std::string() : report.moves.back().step) + "\":",
      "  " + shown.detail,
      "The state after that step:"};
  for (const auto& line : describe_state(last.world)) comment.push_back("  " + line);
  report.text = write_scenario(comment, report.moves, last.runs);
  CreateDirectoryW(to_wide(options.out).c_str(), nullptr);
  report.file = options.out + "\\" + file_name(shown, report.known) + ".scenario";
  write_file(to_wide(report.file), report.text);

  // The ordinary host replays it and stops at the same breach.
  player.reset();
  std::string output;
  wchar_t full[MAX_PATH];
  GetFullPathNameW(to_wide(report.file).c_str(), MAX_PATH, full, nullptr);
  const DWORD code =
      mivo::outlookhost::testing::run_host(
      L"--office-language " + std::to_wstring(kOfficeLanguage) + L" \"" + full + L"\"", output);
  report.replays = code == 1 && output.find("INVARIANT I" + std::to_string(shown.invariant) +
                                            " (" + shown.reason + ")") != std::string::npos;
  return report;
}

std::string counts(const std::map<std::string, int>& table) {
  std::vector<std::pair<int, std::string>> sorted;
  for (const auto& [name, n] : table) sorted.push_back({-n, name});
  std::sort(sorted.begin(), sorted.end());
  std::string text;
  for (const auto& [n, name] : sorted) text += (text.empty() ? "" : ", ") + name + " " + std::to_string(-n);
  return text.empty() ? "none" : text;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  SetConsoleOutputCP(CP_UTF8);
  Options options;
  if (!parse_options(argc, argv, options)) {
    say("usage: mivo-explorer [--sessions N] [--seed S] [--budget SECONDS] [--trials N]\n"
        "                     [--faults drop,late,status,code,malformed,empty|none] [--out DIR]\n"
        "                     [--check] [--verbose]");
    return 2;
  }
  mivo::outlookhost::addin_calls::report_crashes();
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  int code = 0;
  try {
    mivo::scheduler::testing::SettingsKeyGuard settings;
    const mivo::addin::testing::UserRegistration registration(
        mivo::addin::testing::bin_file(L"MivoOutlookPlugin.dll"));
    mivo::refservice::Client service;
    session_player player(service);
    if (options.verbose) {
      player.on_move = [](const Move& move) {
        say("  " + (move.fault.kind == FaultKind::none ? "" : move.fault.line() + "; ") + move.step);
      };
    }

    std::map<std::string, int> steps, faults;
    std::map<std::string, double> step_time;
    std::map<std::string, Finding> findings;  // by breach and known fault, I1 first
    int mistakes = 0, played = 0;
    const auto started = std::chrono::steady_clock::now();
    const auto elapsed = [&] {
      return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    };
    for (int i = 0; i < options.sessions && (options.budget <= 0 || elapsed() < options.budget);
         ++i, ++played) {
      const std::uint64_t seed = options.seed + static_cast<std::uint64_t>(i);
      Generator generator(seed, options.generator);
      if (options.verbose) say("session seed " + std::to_string(seed));
      const SessionRun run =
          player.play([&](const World& world) { return generator.next(world); });
      const auto kinds = shape(run.moves);
      for (std::size_t m = 0; m < run.moves.size(); ++m) {
        const std::string kind = step_kind(run.moves[m].step);
        ++steps[kind];
        step_time[kind] += run.runs[m].milliseconds;
        if (run.runs[m].fault_taken) ++faults[run.moves[m].fault.name()];
      }
      if (!run.mistake.empty()) {
        ++mistakes;
        say("session seed " + std::to_string(seed) + ": the host could not take " + run.mistake);
      }
      for (const auto& v : run.violations) {
        const KnownFault* known = classify(v, kinds);
        Finding& f = findings[v.label() + (known ? " " + known->scenario : " new")];
        if (f.sessions++ == 0) {
          f.violation = v;
          f.known = known;
          f.seed = seed;
          f.moves = run.moves;
        }
      }
    }
    const double seconds = elapsed();
    char rate[200];
    std::snprintf(rate, sizeof(rate),
                  "%d sessions (seeds %llu to %llu) in %.1f s: %.2f sessions per second", played,
                  static_cast<unsigned long long>(options.seed),
                  static_cast<unsigned long long>(options.seed + played - 1), seconds,
                  played / seconds);
    say(std::string("mivo-explorer: ") + rate);
    say("steps: " + counts(steps));
    if (options.verbose) {
      for (const auto& [kind, total] : step_time)
        say("  " + kind + ": " + std::to_string(static_cast<int>(total / steps[kind])) + " ms");
    }
    say("faults that took a request: " + counts(faults));
    if (mistakes) say(std::to_string(mistakes) + " sessions ended on a move the host could not take");
    say(findings.empty() ? "no invariant was broken" : "violations by invariant:");
    for (const auto& [key, finding] : findings) {
      const std::string label = finding.violation.label();
      const bool known = finding.known && finding.violation.invariant != 6;
      say("");
      say(label + ": " + std::to_string(finding.sessions) + " session(s), first seed " +
          std::to_string(finding.seed) + "; " +
          (known ? "known fault \"" + finding.known->scenario + "\"" : "NOT A KNOWN FAULT"));
      // A check shrinks only what is new; the known faults' scenarios are
      // kept and tested on their own.
      if (options.check && known) continue;
      const Report report = shrink_and_write(player, finding, options);
      say("  shrunk to " + std::to_string(report.moves.size()) + " moves in " + report.file +
          (report.replays ? " (replays)" : " (DOES NOT REPLAY)") +
          (report.known ? "; shrunk, it is known fault \"" + report.known->scenario + "\""
                        : ""));
      std::size_t at = 0;
      while (at < report.text.size()) {
        const std::size_t end = std::min(report.text.find('\n', at), report.text.size());
        say("    " + report.text.substr(at, end - at));
        at = end + 1;
      }
      if (options.check) code = 1;
    }
  } catch (const std::exception& e) {
    say(std::string("mivo-explorer: ") + e.what());
    code = 1;
  }
  CoUninitialize();
  return code;
}

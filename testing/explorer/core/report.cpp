// Violations, states and shrunk sessions as text.
#include "report.h"

#include <algorithm>

#include "generator.h"

namespace mivo::explorer {

std::vector<std::string> describe_state(const World& world) {
  std::vector<std::string> lines;
  for (const auto& item : world.items) {
    if (!item.appointment || (item.mivo.empty() && item.mivo_saved.empty() && !item.window))
      continue;
    std::string line = "item " + std::to_string(item.serial) + " " + quoted(item.subject) +
                       " in " + item.folder + (item.window ? ", open" : "") +
                       (!item.saved ? ", never saved" : item.dirty ? ", changed" : ", saved");
    if (item.copied_from) line += ", a copy of item " + std::to_string(item.copied_from);
    line += ", " + item.start + " for " + std::to_string(item.duration) + " min";
    const std::string key = meeting_key_of(item.mivo);
    const std::string saved_key = meeting_key_of(item.mivo_saved);
    line += key.empty() ? ", no record" : ", record of " + key;
    if (item.mivo_inherited) line += " (came with the copy)";
    if (saved_key != key) line += " (saved: " + (saved_key.empty() ? "none" : saved_key) + ")";
    if (!item.close_mark.empty()) line += ", CLOSE " + item.close_mark;
    if (!item.location.empty()) line += ", location " + quoted(item.location);
    lines.push_back(line);
  }
  for (const auto& m : world.meetings) {
    lines.push_back("meeting " + m.key + " of " + m.host + ": " + quoted(m.subject) + " " +
                    m.start + " for " + std::to_string(m.duration) + " min, host " +
                    quoted(m.host_user_id) + " " + quoted(m.host_user_name) +
                    (m.password.empty() ? "" : ", password " + m.password));
  }
  if (lines.empty()) lines.push_back("no item has a record, the service has no meeting");
  lines.insert(lines.begin(), world.user.empty() ? "signed out" : "signed in as " + world.user);
  return lines;
}

std::vector<std::string> describe_violations(const std::vector<Violation>& found,
                                             const World& world) {
  std::vector<std::string> lines;
  for (const auto& v : found)
    lines.push_back("INVARIANT I" + std::to_string(v.invariant) + " (" + v.reason +
                    ") is broken: " + v.detail);
  lines.push_back("the state after the step:");
  for (const auto& line : describe_state(world)) lines.push_back("  " + line);
  return lines;
}

std::string write_scenario(const std::vector<std::string>& comment,
                           const std::vector<Move>& moves, const std::vector<MoveRun>& runs) {
  std::string text;
  // A breach's detail may run over several lines (what the robot saw):
  // each stays a comment.
  for (const auto& line : comment) {
    for (std::size_t from = 0; from <= line.size();) {
      const std::size_t end = std::min(line.find('\n', from), line.size());
      text += "# " + line.substr(from, end - from) + "\n";
      from = end + 1;
    }
  }
  text += "invariants\n";
  for (const auto& line : Generator::prologue()) text += line + "\n";
  for (std::size_t i = 0; i < moves.size(); ++i) {
    const MoveRun run = i < runs.size() ? runs[i] : MoveRun{};
    for (const auto& line : scenario_lines(moves[i], run.answered, run.fault_taken))
      text += line + "\n";
  }
  return text;
}

std::string step_kind(const std::string& step) {
  // The words up to the first text, number or date.
  std::string words;
  std::size_t at = 0;
  while (at < step.size()) {
    const std::size_t end = std::min(step.find(' ', at), step.size());
    const std::string token = step.substr(at, end - at);
    if (token.empty() || token[0] == '"' || token[0] == '+' || token[0] == '-' ||
        (token[0] >= '0' && token[0] <= '9') || token.find('@') != std::string::npos)
      break;
    words += (words.empty() ? "" : " ") + token;
    at = end + 1;
  }
  return words;
}

std::vector<std::string> shape(const std::vector<Move>& moves) {
  std::vector<std::string> steps;
  for (const auto& move : moves) {
    steps.push_back(step_kind(move.step) +
                    (move.fault.kind == FaultKind::none ? "" : " (fault " + move.fault.name() + ")"));
  }
  return steps;
}

}  // namespace mivo::explorer

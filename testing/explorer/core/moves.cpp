// Moves written as scenario lines.
#include "moves.h"

namespace mivo::explorer {

std::string Fault::name() const {
  switch (kind) {
    case FaultKind::none:
      return "none";
    case FaultKind::drop:
      return "drop";
    case FaultKind::late:
      return "late";
    case FaultKind::status:
      return "status";
    case FaultKind::code:
      return "code";
    case FaultKind::malformed:
      return "malformed";
    case FaultKind::empty:
      return "empty";
  }
  return "none";
}

std::string Fault::line() const {
  if (kind == FaultKind::none) return "";
  std::string text = "fault " + name();
  if (kind == FaultKind::status || kind == FaultKind::code) text += " " + std::to_string(value);
  if (request != 1) text += " request " + std::to_string(request);
  return text;
}

std::vector<std::pair<std::string, int>> standing_lines(const Answers& answers) {
  return {{"answer sign-in " + answers.sign_in, 2},
          {"answer organisation " + (answers.organisation == "cancel"
                                         ? answers.organisation
                                         : quoted(answers.organisation)),
           2},
          {"answer meeting-options " + answers.options, 2},
          {"answer sign-out " + answers.sign_out, 2},
          {"answer sign-in cancel", 0},
          {"answer organisation cancel", 0},
          {"answer meeting-options cancel", 0},
          {"answer sign-out cancel", 0},
          {"answer about", 0}};
}

std::vector<std::string> scenario_lines(const Move& move, const std::vector<std::string>& answered,
                                        bool fault_taken) {
  std::vector<std::string> lines = answered;
  if (fault_taken && move.fault.kind != FaultKind::none) lines.push_back(move.fault.line());
  lines.push_back(move.step);
  return lines;
}

std::string quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\')
      out += std::string("\\") + c;
    else if (c == '\n')
      out += "\\n";
    else
      out += c;
  }
  return out + "\"";
}

}  // namespace mivo::explorer

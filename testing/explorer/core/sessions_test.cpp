// Sessions: the same seed draws the same moves, every move is a step the
// host's language takes, shrinking keeps exactly what the failure needs, and
// a written session is a scenario with the answers its dialogs took.
#include <gtest/gtest.h>

#include "generator.h"
#include "known.h"
#include "report.h"
#include "shrink.h"

namespace mivo::explorer {
namespace {

// A world with the main window's controls, an item open in window 1 and one
// saved in the calendar: every kind of move is open to the generator.
World busy_world() {
  World w;
  w.running = w.addin_connected = true;
  w.controls = {"MIVO-00_AccountSetting", "MIVO-00_ScheduleMeeting", "Mivo-03_Add"};
  Item saved;
  saved.serial = 1;
  saved.folder = "Calendar";
  saved.saved = true;
  saved.subject = "Plan \"A\"";
  Item open = saved;
  open.serial = 2;
  open.window = 1;
  open.meeting_status = 1;
  w.items = {saved, open};
  return w;
}

TEST(Sessions, TheSameSeedDrawsTheSameMovesAndEachIsAStepTheHostTakes) {
  World world = busy_world();
  for (std::uint64_t seed = 1; seed <= 40; ++seed) {
    Generator a(seed), b(seed);
    world.current_window = seed % 2 ? 1 : 0;
    world.current = world.current_window ? 2 : 0;
    for (int i = 0; i < 30; ++i) {
      const auto first = a.next(world), second = b.next(world);
      ASSERT_EQ(first.has_value(), second.has_value());
      if (!first) break;
      EXPECT_EQ(first->step, second->step);
      EXPECT_EQ(first->fault.line(), second->fault.line());
      std::vector<std::string> answers;
      for (const auto& [line, times] : standing_lines(first->answers)) answers.push_back(line);
      for (const auto& line : scenario_lines(*first, answers, true)) {
        const auto parsed = outlookhost::parse_scenario(line + "\n");
        EXPECT_TRUE(parsed.errors.empty()) << line << ": " << parsed.errors[0].message;
      }
    }
  }
}

TEST(Sessions, ShrinkingKeepsOnlyTheMovesAndFaultsTheFailureNeeds) {
  std::vector<Move> moves;
  for (const char* step : {"start", "new meeting", "type subject \"x\"", "click Mivo-03_Add",
                           "save", "send", "close", "quit"})
    moves.push_back(Move{step, {}, {}});
  moves[3].fault.kind = FaultKind::drop;
  moves[5].fault.kind = FaultKind::late;
  // Fails while "start", Add and the late send are there.
  const auto fails = [](const std::vector<Move>& candidate) {
    bool start = false, add = false, send = false;
    for (const auto& m : candidate) {
      start = start || m.step == "start";
      add = add || m.step == "click Mivo-03_Add";
      send = send || (m.step == "send" && m.fault.kind == FaultKind::late);
    }
    return start && add && send;
  };
  const auto shrunk = shrink(moves, fails);
  ASSERT_EQ(3u, shrunk.size());
  EXPECT_EQ("start", shrunk[0].step);
  EXPECT_EQ(FaultKind::none, shrunk[1].fault.kind);
  EXPECT_EQ(FaultKind::late, shrunk[2].fault.kind);
}

TEST(Sessions, AWrittenSessionAnswersTheDialogsThatCameAndKeepsFaultsThatTook) {
  Move add{"click Mivo-03_Add", {}, {}};
  add.answers.organisation = "研发中心";
  Move send{"send", {}, {}};
  send.fault = Fault{FaultKind::code, -602, 2};
  const auto lines = standing_lines(add.answers);
  EXPECT_EQ("answer organisation \"研发中心\"", lines[1].first);
  const std::string text = write_scenario(
      {"found by the explorer", "robot: step 1 never ran\nshown: a dialog"},
      {Move{"start", {}, {}}, add, send},
      {{}, {{"answer sign-in bob bob-pass", lines[1].first, "answer meeting-options password 1234 ok"}, false},
       {{}, true}});
  const auto parsed = outlookhost::parse_scenario(text);
  ASSERT_TRUE(parsed.errors.empty()) << text;
  EXPECT_EQ(0u, text.find("# found by the explorer\n# robot: step 1 never ran\n# shown: a dialog\n"
                          "invariants\n"));
  EXPECT_NE(std::string::npos,
            text.find("start\nanswer sign-in bob bob-pass\nanswer organisation \"研发中心\"\n"
                      "answer meeting-options password 1234 ok\nclick Mivo-03_Add\n"
                      "fault code -602 request 2\nsend\n"))
      << text;
}

TEST(Sessions, AViolationIsKnownOnlyWithItsBreachAndTheStepsOfItsShape) {
  const Violation dangling{2, "dangling", ""};
  const std::vector<std::string> removed = {"start", "open", "click Mivo-03_Cancel",
                                            "type subject", "close discarding (fault late)"};
  const KnownFault* known = classify(dangling, removed);
  ASSERT_NE(nullptr, known);
  EXPECT_EQ("removed-then-discarded", known->scenario);
  // The steps must come in the shape's order.
  EXPECT_EQ(nullptr, classify(dangling, {"start", "open", "close discarding",
                                         "click Mivo-03_Cancel"}));
  EXPECT_EQ(nullptr, classify(dangling, {"start", "open", "click Mivo-03_Add", "quit"}));
  EXPECT_EQ(nullptr, classify(Violation{1, "two-owners", ""}, removed));
  EXPECT_EQ((std::vector<std::string>{"set start", "click Mivo-03_Add", "type subject", "open",
                                      "close discarding (fault late)", "add attendee smtp"}),
            shape({Move{"set start +3d 10:00", {}, {}}, Move{"click Mivo-03_Add", {}, {}},
                   Move{"type subject \"x\"", {}, {}}, Move{"open \"x\" 2", {}, {}},
                   Move{"close discarding", {}, {FaultKind::late}},
                   Move{"add attendee smtp guest@example.com \"Guest\"", {}, {}}}));
}

}  // namespace
}  // namespace mivo::explorer

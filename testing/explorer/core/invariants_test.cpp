// Each invariant against a small product double that breaks exactly that
// rule, and against the same double doing it right or breaking it in a way
// the invariant allows.
#include "invariants.h"

#include <gtest/gtest.h>

#include <functional>

namespace mivo::explorer {
namespace {

const char kRecord[] = R"({"MeetingKey":"9100000001","Subject":"Plan"})";

// Plays Outlook, the add-in and the service on a world of its own, one step
// at a time; each test plants what it needs.
class ProductDouble {
 public:
  ProductDouble() {
    world_.running = world_.addin_connected = true;
    world_.user = "alice";
    invariants_.begin(world_);
  }

  // The step's line, and what it does to the world.
  std::vector<Violation> step(const std::string& line, const std::function<void(World&)>& does,
                              const std::string& answers = "") {
    const auto prepared = outlookhost::parse_scenario(answers).steps;
    const auto parsed = outlookhost::parse_scenario(line);
    EXPECT_TRUE(parsed.errors.empty()) << line;
    world_.requests.clear();
    world_.shown.clear();
    does(world_);
    return invariants_.after(parsed.steps.at(0), prepared, world_);
  }

  // A new appointment open in window 1, current.
  void open_new(const std::string& subject = "Plan") {
    step("new appointment", [&](World& w) {
      Item item;
      item.serial = 1;
      item.folder = "Calendar";
      item.window = 1;
      item.subject = subject;
      item.start = "2030-03-07 09:00";
      item.duration = 30;
      w.items = {item};
      w.current = 1;
      w.current_window = 1;
    });
  }
  // The add-in makes the meeting and records it on the item.
  void add(const std::string& password = "") {
    step("click Mivo-03_Add", [&](World& w) {
      w.requests.push_back({"POST", "/rest/api/conference/schedule", "", "{}"});
      w.meetings.push_back(meeting(password));
      w.items[0].mivo = kRecord;
      w.items[0].location = "http://x/9100000001";
    });
  }
  static Meeting meeting(const std::string& password) {
    Meeting m;
    m.key = "9100000001";
    m.host = "alice";
    m.subject = "Plan";
    m.start = "2030-03-07 09:00";
    m.duration = 30;
    m.password = password;
    m.host_user_id = "10001";
    m.host_user_name = "Alice Walker";
    m.conference_ids = {"50000001"};
    return m;
  }
  // The item sent and saved, its window closed, the update on the service.
  std::vector<Violation> send(const std::function<void(World&)>& update) {
    return step("send", [&](World& w) {
      w.items[0].window = 0;
      w.items[0].saved = true;
      w.items[0].mivo_saved = w.items[0].mivo;
      w.items[0].close_mark = "1";
      w.current_window = 0;
      ++w.sent;
      update(w);
    });
  }

  static bool has(const std::vector<Violation>& found, const std::string& label) {
    for (const auto& v : found) {
      if (v.label() == label) return true;
    }
    return false;
  }

 private:
  World world_;
  Invariants invariants_;
};

TEST(Invariants, AMeetingNoItemNamesIsAnOrphanUnlessItsCreationAnswerWasLost) {
  ProductDouble right;
  right.open_new();
  right.add();
  EXPECT_TRUE(right.step("close discarding", [](World& w) {
                     w.items.clear();
                     w.meetings.clear();
                     w.requests.push_back({"DELETE", "/rest/api/conference/schedule",
                                           "id=50000001&type=1", ""});
                   }).empty());

  ProductDouble planted;  // the window closes and the meeting stays
  planted.open_new();
  planted.add();
  EXPECT_TRUE(ProductDouble::has(planted.step("close discarding", [](World& w) { w.items.clear(); }),
                                 "I1 orphan"));

  ProductDouble other_account;  // signed in again, now for another of the user's accounts
  other_account.open_new();
  other_account.add();
  EXPECT_TRUE(other_account.step("close discarding", [](World& w) {
                      w.items.clear();
                      w.account = "20012";
                    }).empty());

  ProductDouble lost;  // the service made it, its answer never came
  lost.open_new();
  EXPECT_TRUE(lost.step("click Mivo-03_Add", [](World& w) {
                    Request post{"POST", "/rest/api/conference/schedule", "", "{}"};
                    post.faulted = true;
                    w.requests.push_back(post);
                    w.meetings.push_back(ProductDouble::meeting(""));
                  }).empty());
}

TEST(Invariants, DeletingAnItemForGoodFromItsWindowLeavesOnlyTheMeetingItWasSavedWith) {
  // Sent and saved, reopened from Deleted Items and deleted there for good:
  // nothing is done on a deletion.
  ProductDouble kept;
  kept.open_new();
  kept.add();
  ASSERT_TRUE(kept.send([](World&) {}).empty());
  ASSERT_TRUE(kept.step("open \"Plan\"", [](World& w) {
                    w.items[0].folder = "Deleted Items";
                    w.items[0].window = 2;
                  }).empty());
  EXPECT_TRUE(kept.step("delete", [](World& w) { w.items.clear(); }).empty());

  // Saved without a meeting, the meeting made in the window, the item then
  // deleted for good from it: the meeting was never kept by any item.
  ProductDouble made_there;
  made_there.open_new();
  ASSERT_TRUE(made_there.step("save", [](World& w) { w.items[0].saved = true; }).empty());
  made_there.add();
  EXPECT_TRUE(ProductDouble::has(made_there.step("delete", [](World& w) { w.items.clear(); }),
                                 "I1 orphan"));
}

TEST(Invariants, ASavedItemNamingAMeetingTheServiceLostIsADanglingLink) {
  ProductDouble planted;
  planted.open_new();
  planted.add();
  ASSERT_TRUE(planted.send([](World&) {}).empty());
  const auto found = planted.step("delete item \"Plan\"", [](World& w) { w.meetings.clear(); });
  EXPECT_TRUE(ProductDouble::has(found, "I2 dangling"));
}

TEST(Invariants, AnUpdateMustKeepThePasswordUnlessTheUserSetAnother) {
  ProductDouble planted;
  planted.open_new();
  planted.add("1234");
  EXPECT_TRUE(ProductDouble::has(planted.send([](World& w) { w.meetings[0].password = ""; }),
                                 "I3 password-lost"));

  ProductDouble changed;  // the user sets another one in the options
  changed.open_new();
  changed.add("1234");
  changed.step("click Mivo-03_Setting",
               [](World& w) { w.shown.push_back({"meeting-options", ""}); },
               "answer meeting-options password 5678 ok\n");
  EXPECT_TRUE(changed
                  .send([](World& w) {
                    w.requests.push_back({"PUT", "/rest/api/conference/schedule", "",
                                          R"({"conferenceId":"50000001","hostUserId":"10001",)"
                                          R"("hostUserName":"Alice Walker",)"
                                          R"("meetingKey":"9100000001","password":"5678"})"});
                    w.meetings[0].password = "5678";
                  })
                  .empty());

  ProductDouble moved;  // the item moved, the service was not told
  moved.open_new();
  moved.add();
  EXPECT_TRUE(ProductDouble::has(moved.send([](World& w) { w.items[0].start = "2030-03-08 09:00"; }),
                                 "I3 record-differs"));
}

TEST(Invariants, TheAddinMustNotChangeTextTheUserTyped) {
  ProductDouble right;
  right.open_new("");
  right.step("type subject \"Mine\"", [](World& w) { w.items[0].subject = "Mine"; });
  right.step("type body \"Agenda\"", [](World& w) { w.items[0].body = "Agenda"; });
  EXPECT_TRUE(right.step("click Mivo-03_Add", [](World& w) {
                     w.items[0].body = "Agenda\n\n\ninvitation";
                     w.items[0].invitation = true;
                   }).empty());

  ProductDouble planted;
  planted.open_new("");
  planted.step("type location \"Room 1\"", [](World& w) { w.items[0].location = "Room 1"; });
  EXPECT_TRUE(ProductDouble::has(planted.step("click Mivo-03_Cancel",
                                              [](World& w) { w.items[0].location = ""; }),
                                 "I4 text-changed"));
}

TEST(Invariants, UpdatesAndDeletionsMustNameARealHostConferenceAndTheirOwnItem) {
  ProductDouble planted;
  planted.open_new();
  planted.add();
  const auto found = planted.step("send", [](World& w) {
    w.requests.push_back({"PUT", "/rest/api/conference/schedule", "",
                          R"({"conferenceId":"","hostUserId":"","hostUserName":"",)"
                          R"("meetingKey":"9100000001"})"});
  });
  EXPECT_TRUE(ProductDouble::has(found, "I5 empty-host"));
  EXPECT_TRUE(ProductDouble::has(found, "I5 empty-conference-id"));

  ProductDouble copied;  // the copy removes the original's meeting
  copied.open_new();
  copied.add();
  copied.send([](World&) {});
  copied.step("copy \"Plan\"", [](World& w) {
    Item copy = w.items[0];
    copy.serial = 2;
    copy.copied_from = 1;
    copy.mivo_inherited = copy.mivo_saved_inherited = true;
    w.items.push_back(copy);
    w.current = 2;
  });
  copied.step("open \"Plan\" 2", [](World& w) {
    w.items[1].window = 1;
    w.current_window = 1;
  });
  const auto removed = copied.step("click Mivo-03_Cancel", [](World& w) {
    w.requests.push_back({"DELETE", "/rest/api/conference/schedule", "id=50000001&type=1", ""});
    w.meetings.clear();
    w.items[1].mivo = "";
  });
  EXPECT_TRUE(ProductDouble::has(removed, "I5 other-item"));
  EXPECT_TRUE(ProductDouble::has(removed, "I2 dangling"));
}

}  // namespace
}  // namespace mivo::explorer

// The tracker's handlers over a recording appointment window and scheduler.
#include "meeting_tracker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace mivo::addin {
namespace {

constexpr char kRecord[] = R"({"Subject":"Planning"})";
// A meeting whose subject and location the scheduler filled in.
constexpr char kStored[] =
    R"({"DefaultSubject":"Alice's meeting","Location":"https://m.test/k-1","MeetingKey":"k-1"})";
constexpr char kUpdated[] = R"({"MeetingKey":"k-1","Subject":"Review"})";

// The item, its window and the scheduler in one log, in call order.
struct Recorder : AppointmentWindowPort, MeetingSchedulerPort {
  std::vector<std::string> calls;
  std::map<std::string, std::string> properties;
  bool item = true;
  bool inspector = true;
  int status = 1;  // olMeeting
  std::string entry_id;  // "" until saved
  std::string subject_text;
  std::string location_text;
  bool scheduler = true;
  CallResult sign_in = CallResult::ok;
  CallResult commit_result = CallResult::ok;
  CallResult delete_result = CallResult::ok;
  bool info_changed = false;
  MailBody mail{"Join at https://m.test/j/1", kStored};

  bool has_item() override { return item; }
  bool has_inspector() override { return inspector; }
  std::string read_record() override { return item ? kRecord : ""; }
  std::string user_property(const char* name) override { return properties[name]; }
  void set_user_property(const char* name, const std::string& text) override {
    calls.push_back(std::string("property ") + name + "=" + text);
    properties[name] = text;
  }
  int meeting_status() override { return status; }
  std::string item_id() override { return entry_id; }
  std::string subject() override { return subject_text; }
  std::string location() override { return location_text; }
  void clear_subject() override {
    calls.push_back("clear subject");
    subject_text.clear();
  }
  void clear_location() override {
    calls.push_back("clear location");
    location_text.clear();
  }
  void insert_body(const std::string& text) override { calls.push_back("insert body " + text); }
  void replace_body(const std::string& text) override { calls.push_back("replace body " + text); }
  void commit_edit_fields() override { calls.push_back("commit edit fields"); }
  void save_item() override { calls.push_back("Save"); }

  bool held() override { return scheduler; }
  CallResult simple_update() override {
    calls.push_back("SimpleUpdate");
    return sign_in;
  }
  void set_settings(bool open, const std::string& setting, const std::string& record) override {
    calls.push_back("SetSettings " + std::string(open ? "open " : "") + "[" + setting + "] [" +
                    record + "]");
  }
  CallResult commit() override {
    calls.push_back("Commit");
    return commit_result;
  }
  CallResult remove() override {
    calls.push_back("Delete");
    return delete_result;
  }
  MailBody mail_body() override {
    calls.push_back("GetMailBody");
    return mail;
  }
  bool changed() override {
    calls.push_back("GetMeetingInfoChangedFlag");
    return info_changed;
  }
  void settings_dialog() override { calls.push_back("SettingsDoModal"); }

  // What the next handler does, from here on.
  std::vector<std::string> take() { return std::exchange(calls, {}); }
};

using Calls = std::vector<std::string>;

const Calls kRemoval = {"SimpleUpdate", std::string("SetSettings [] [") + kRecord + "]", "Delete",
                        "GetMailBody", "property MIVO="};

Calls then(Calls first, const Calls& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

// How many of the calls are any of `names`.
long count_of(const Calls& calls, std::initializer_list<const char*> names) {
  long n = 0;
  for (const char* name : names) n += std::count(calls.begin(), calls.end(), name);
  return n;
}

class TrackerTest : public ::testing::Test {
 protected:
  // An appointment that already carries the online meeting `kStored`.
  void open_online_meeting() {
    item.properties["MIVO"] = kStored;
    item.subject_text = "Alice's meeting";
    item.location_text = "https://m.test/k-1";
    tracker.opened();
    item.take();
  }

  Recorder item;
  MeetingTracker tracker{item, item};
};

TEST_F(TrackerTest, OpeningAnItemWithAStoredMeetingLoadsItIntoTheScheduler) {
  item.properties["MIVO"] = kStored;
  tracker.opened();
  EXPECT_EQ((Calls{std::string("SetSettings open [") + kStored + "] [" + kRecord + "]"}),
            item.take());
  EXPECT_TRUE(tracker.online_meeting());
  EXPECT_EQ(kStored, tracker.meeting_setting());

  MeetingTracker plain(item, item);
  item.properties.clear();
  plain.opened();
  EXPECT_TRUE(item.take().empty());
  EXPECT_FALSE(plain.online_meeting());
}

TEST_F(TrackerTest, AddingCreatesTheMeetingStoresItsRecordAndInsertsTheInvitation) {
  tracker.opened();
  item.take();
  tracker.add_meeting();
  EXPECT_EQ(
      (Calls{"commit edit fields", "SimpleUpdate", std::string("SetSettings [] [") + kRecord + "]",
             "Commit", "GetMailBody", std::string("property MIVO=") + kStored,
             "property MIVOID=", "insert body Join at https://m.test/j/1"}),
      item.take());
  EXPECT_TRUE(tracker.online_meeting());
  EXPECT_EQ(kStored, tracker.meeting_setting());
}

TEST_F(TrackerTest, AddingStopsWithoutChangesWhenSignInOrTheCommitFails) {
  item.sign_in = CallResult::failed;
  tracker.add_meeting();
  EXPECT_EQ((Calls{"commit edit fields", "SimpleUpdate"}), item.take());

  item.sign_in = CallResult::ok;
  item.commit_result = CallResult::failed;
  tracker.add_meeting();
  const Calls calls = item.take();
  EXPECT_EQ("Commit", calls.back());
  EXPECT_FALSE(tracker.online_meeting());
  EXPECT_EQ(0u, item.properties.count("MIVO"));
}

TEST_F(TrackerTest, AMeetingCreatedForAWindowWithoutBodyStillKeepsItsRecord) {
  // Without the record the item would lose the key of a meeting that exists
  // on the service, and the next add would create a second one.
  item.inspector = false;
  tracker.add_meeting();
  item.take();
  EXPECT_EQ(kStored, item.properties["MIVO"]);
  EXPECT_TRUE(tracker.online_meeting());
}

TEST_F(TrackerTest, SendingAnUnchangedMeetingCommitsNothingAndMarksTheItem) {
  open_online_meeting();
  EXPECT_FALSE(tracker.sending());
  EXPECT_EQ((Calls{std::string("SetSettings [] [") + kRecord + "]", "GetMeetingInfoChangedFlag",
                   "property CLOSE=1"}),
            item.take());
}

TEST_F(TrackerTest, SendingAChangedMeetingUpdatesItAndReplacesTheInvitation) {
  open_online_meeting();
  item.info_changed = true;
  item.mail = {"New text", kUpdated};
  EXPECT_FALSE(tracker.sending());
  EXPECT_EQ((Calls{std::string("SetSettings [] [") + kRecord + "]", "GetMeetingInfoChangedFlag",
                   "SimpleUpdate", "Commit", "GetMailBody",
                   std::string("property MIVO=") + kUpdated, "property MIVOID=",
                   "replace body New text", "property CLOSE=1"}),
            item.take());
  EXPECT_EQ(kUpdated, tracker.meeting_setting());
}

// A refused update or a failed user refresh cancels the send; the item is
// not marked as sent, and its record stays.
TEST_F(TrackerTest, AFailedUpdateOrRefreshCancelsTheSendWithoutMarkingTheItem) {
  open_online_meeting();
  item.info_changed = true;
  item.commit_result = CallResult::failed;
  EXPECT_TRUE(tracker.sending());
  EXPECT_EQ("Commit", item.take().back());

  item.sign_in = CallResult::failed;
  EXPECT_TRUE(tracker.sending());
  EXPECT_EQ("SimpleUpdate", item.take().back());
  EXPECT_EQ(0u, item.properties.count("CLOSE"));
  EXPECT_EQ(kStored, item.properties["MIVO"]);
}

TEST_F(TrackerTest, SendingACancellationOrAMeetingNoLongerOnlineRemovesItFromTheService) {
  open_online_meeting();
  item.status = kMeetingCanceled;
  EXPECT_FALSE(tracker.sending());
  EXPECT_EQ(then(kRemoval, {"property CLOSE=1"}), item.take());
  EXPECT_EQ("", tracker.meeting_setting());

  // The cancel command could not reach the service: the record stayed, the
  // buttons went back to "add", and the next send tries again.
  MeetingTracker second(item, item);
  item.properties = {{"MIVO", kStored}};
  item.status = 1;
  second.opened();
  item.delete_result = CallResult::failed;
  second.cancel_meeting();
  EXPECT_FALSE(second.online_meeting());
  EXPECT_EQ(kStored, second.meeting_setting());
  item.take();
  item.delete_result = CallResult::ok;
  second.sending();
  EXPECT_EQ(then(kRemoval, {"property CLOSE=1"}), item.take());
}

TEST_F(TrackerTest, TheFirstSaveBeforeSendingTakesTheMeetingOffAndLaterSavesChangeNothing) {
  open_online_meeting();
  tracker.saving();
  EXPECT_EQ(then(kRemoval, {"clear subject", "clear location", "replace body ", "property CLOSE=1"}),
            item.take());
  tracker.saving();
  EXPECT_TRUE(item.take().empty());

  // Should the service keep the meeting, the saved item keeps it whole: its
  // record, invitation, location and subject.
  MeetingTracker kept(item, item);
  item.properties = {{"MIVO", kStored}};
  item.subject_text = "Alice's meeting";
  item.location_text = "https://m.test/k-1";
  kept.opened();
  item.take();
  item.delete_result = CallResult::failed;
  kept.saving();
  item.delete_result = CallResult::ok;
  const Calls calls = item.take();
  EXPECT_EQ(0, count_of(calls, {"clear subject", "clear location", "replace body "}));
  EXPECT_EQ(kStored, item.properties["MIVO"]);
  EXPECT_EQ("1", item.properties["CLOSE"]);

  MeetingTracker sent(item, item);
  item.properties = {{"MIVO", kStored}, {"CLOSE", "1"}};
  sent.opened();
  item.take();
  sent.saving();
  sent.closing();
  EXPECT_TRUE(item.take().empty());
}

TEST_F(TrackerTest, ClosingOnAMeetingNeverSentOrSavedRemovesIt) {
  open_online_meeting();
  tracker.closing();
  EXPECT_EQ(kRemoval, item.take());
}

TEST_F(TrackerTest, CancellingRemovesTheMeetingAndItsTextEvenWhenTheServiceKeepsIt) {
  open_online_meeting();
  tracker.cancel_meeting();
  EXPECT_EQ(then(then({"SimpleUpdate"}, kRemoval),
                 {"clear subject", "clear location", "replace body "}),
            item.take());
  EXPECT_FALSE(tracker.online_meeting());

  open_online_meeting();
  item.delete_result = CallResult::failed;
  tracker.cancel_meeting();
  const Calls calls = item.take();
  EXPECT_EQ("replace body ", calls.back());
  EXPECT_EQ(kStored, item.properties["MIVO"]);
}

// Only what the scheduler wrote goes with the meeting: a subject or location
// the user typed (or changed since) stays, and a record that does not say
// what was written (from an earlier version) clears neither.
TEST_F(TrackerTest, RemovingTheMeetingKeepsTheSubjectAndLocationTheUserTyped) {
  open_online_meeting();
  item.subject_text = "Quarterly review";
  tracker.cancel_meeting();
  EXPECT_EQ("Quarterly review", item.subject_text);
  EXPECT_EQ("", item.location_text);

  MeetingTracker saved(item, item);
  item.properties = {{"MIVO", kStored}};
  item.subject_text = "Alice's meeting";
  item.location_text = "Room 4";
  saved.opened();
  saved.saving();
  EXPECT_EQ("", item.subject_text);
  EXPECT_EQ("Room 4", item.location_text);

  MeetingTracker older(item, item);
  item.properties = {{"MIVO", R"({"MeetingKey":"k-1"})"}};
  item.subject_text = "Alice's meeting";
  item.location_text = "https://m.test/k-1";
  older.opened();
  item.take();
  older.cancel_meeting();
  const Calls calls = item.take();
  EXPECT_EQ(0, count_of(calls, {"clear subject", "clear location"}));
  EXPECT_EQ("replace body ", calls.back());
}

// A record made for another item (a copy has a new EntryID; an item opened
// from a file has none) is not this item's meeting: nothing acts on it, it
// stays in the item, and adding a meeting replaces it.
TEST_F(TrackerTest, ARecordOfAnotherItemIsNeitherUpdatedNorRemoved) {
  for (const char* id : {"E-copy", ""}) {
    SCOPED_TRACE(id);
    item.properties = {{"MIVO", kStored}, {"MIVOID", "E-original"}};
    item.entry_id = id;
    MeetingTracker copy(item, item);
    copy.opened();
    EXPECT_FALSE(copy.online_meeting());
    copy.cancel_meeting();
    copy.saving();
    item.info_changed = true;
    EXPECT_FALSE(copy.sending());
    copy.closing();
    EXPECT_EQ((Calls{"property CLOSE=1"}), item.take());
    EXPECT_EQ(kStored, item.properties["MIVO"]);
  }

  item.properties = {{"MIVO", kStored}, {"MIVOID", "E-original"}};
  item.entry_id = "E-copy";
  MeetingTracker copy(item, item);
  copy.opened();
  item.mail.description = kUpdated;
  copy.add_meeting();
  EXPECT_EQ(kUpdated, item.properties["MIVO"]);
  EXPECT_EQ("E-copy", item.properties["MIVOID"]);
  EXPECT_TRUE(copy.online_meeting());
}

// A record written while the item had no EntryID yet is the item's own and
// takes the EntryID with the next send or save.
TEST_F(TrackerTest, ARecordWithoutOwnerIsTheItemsAndTakesItsEntryIdWhenKept) {
  item.entry_id = "E-1";
  item.properties = {{"MIVO", kStored}, {"CLOSE", "1"}};
  tracker.opened();
  EXPECT_TRUE(tracker.online_meeting());
  item.take();
  tracker.saving();
  EXPECT_EQ((Calls{"property MIVOID=E-1"}), item.take());
  tracker.saving();
  EXPECT_TRUE(item.take().empty());
}

// A new item's send writes its record before Outlook gives the item an
// EntryID; the close after the send names the item and saves it.
TEST_F(TrackerTest, AKeptRecordWithoutOwnerTakesTheEntryIdAtTheClose) {
  tracker.add_meeting();
  EXPECT_FALSE(tracker.sending());
  item.take();
  item.entry_id = "E-1";
  tracker.closing();
  EXPECT_EQ((Calls{"property MIVOID=E-1", "Save"}), item.take());
  // Named once: a later window's close saves nothing.
  MeetingTracker later{item, item};
  later.opened();
  item.take();
  later.closing();
  EXPECT_TRUE(item.take().empty());

  // A record without owner closed after anything but a send is left for the
  // next send or save: the window may hold edits the user is discarding.
  Recorder legacy;
  legacy.entry_id = "E-2";
  legacy.properties = {{"MIVO", kStored}, {"CLOSE", "1"}};
  MeetingTracker reopened{legacy, legacy};
  reopened.opened();
  legacy.take();
  reopened.closing();
  EXPECT_TRUE(legacy.take().empty());
}

// Which closes take the meeting off the service: one made in this window
// and neither sent nor saved since (a refused send included), or one never
// sent or saved at all; a meeting a send or save kept stays.
TEST_F(TrackerTest, ClosingRemovesAMeetingThisWindowMadeAndNeverKept) {
  struct Case {
    const char* steps;
    bool removed;
  } cases[] = {
      {"add, close", true},
      {"add, refused send, close", true},
      {"add, refused send, save, close", false},
      {"add, save the service refuses to remove from, close", false},
      {"add, refused send, send, close", false},
      {"add, send, close", false},
      {"saved before, add, close", true},
      {"saved before, add, save, close", false},
      {"sent before, refused send, close", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.steps);
    Recorder window;
    MeetingTracker t(window, window);
    const std::string steps = c.steps;
    if (steps.find("saved before") == 0) window.properties["CLOSE"] = "1";
    if (steps.find("sent before") == 0) window.properties = {{"MIVO", kStored}, {"CLOSE", "1"}};
    t.opened();
    if (steps.find("add") != std::string::npos) t.add_meeting();
    window.info_changed = true;
    if (steps.find("refused send") != std::string::npos) {
      window.commit_result = CallResult::failed;
      EXPECT_TRUE(t.sending());
      window.commit_result = CallResult::ok;
    }
    if (steps.find("refuses to remove") != std::string::npos) {
      window.delete_result = CallResult::failed;
      t.saving();
      window.delete_result = CallResult::ok;
    } else if (steps.find(", save") != std::string::npos) {
      t.saving();
    }
    if (steps.find(", send") != std::string::npos) EXPECT_FALSE(t.sending());
    window.take();
    t.closing();
    const Calls calls = window.take();
    EXPECT_EQ(c.removed, std::count(calls.begin(), calls.end(), "Delete") == 1);
    EXPECT_EQ(c.removed, window.properties["MIVO"].empty());
  }
}

TEST_F(TrackerTest, ATrackerWhoseSchedulerIsGoneDoesNothing) {
  open_online_meeting();
  item.scheduler = false;
  tracker.add_meeting();
  tracker.cancel_meeting();
  tracker.meeting_options();
  tracker.closing();
  EXPECT_FALSE(tracker.sending());
  EXPECT_EQ((Calls{"property CLOSE=1"}), item.take());
}

}  // namespace
}  // namespace mivo::addin

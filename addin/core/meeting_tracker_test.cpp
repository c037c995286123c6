// The tracker's handlers over a recording appointment window and scheduler.
#include "meeting_tracker.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace mivo::addin {
namespace {

constexpr char kRecord[] = R"({"Subject":"Planning"})";
constexpr char kStored[] = R"({"MeetingKey":"k-1"})";
constexpr char kUpdated[] = R"({"MeetingKey":"k-1","Subject":"Review"})";

// The item, its window and the scheduler in one log, in call order.
struct Recorder : AppointmentWindowPort, MeetingSchedulerPort {
  std::vector<std::string> calls;
  std::map<std::string, std::string> properties;
  bool item = true;
  bool inspector = true;
  int status = 1;  // olMeeting
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
  void clear_subject_and_location() override { calls.push_back("clear subject and location"); }
  void insert_body(const std::string& text) override { calls.push_back("insert body " + text); }
  void replace_body(const std::string& text) override { calls.push_back("replace body " + text); }
  void commit_edit_fields() override { calls.push_back("commit edit fields"); }

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

class TrackerTest : public ::testing::Test {
 protected:
  // An appointment that already carries the online meeting `kStored`.
  void open_online_meeting() {
    item.properties["MIVO"] = kStored;
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
             "insert body Join at https://m.test/j/1"}),
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
  const Calls calls = item.take();
  EXPECT_EQ(std::string("property MIVO=") + kStored, calls.back());
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
                   "Commit", "GetMailBody", std::string("property MIVO=") + kUpdated,
                   "replace body New text", "property CLOSE=1"}),
            item.take());
  EXPECT_EQ(kUpdated, tracker.meeting_setting());
}

TEST_F(TrackerTest, AFailedUpdateCancelsTheSendButStillMarksTheItem) {
  open_online_meeting();
  item.info_changed = true;
  item.commit_result = CallResult::failed;
  EXPECT_TRUE(tracker.sending());
  const Calls calls = item.take();
  EXPECT_EQ("Commit", calls[calls.size() - 2]);
  EXPECT_EQ("property CLOSE=1", calls.back());
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
  EXPECT_EQ(then(kRemoval, {"clear subject and location", "replace body ", "property CLOSE=1"}),
            item.take());
  tracker.saving();
  EXPECT_TRUE(item.take().empty());

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
  EXPECT_EQ(then(then({"SimpleUpdate"}, kRemoval), {"clear subject and location", "replace body "}),
            item.take());
  EXPECT_FALSE(tracker.online_meeting());

  open_online_meeting();
  item.delete_result = CallResult::failed;
  tracker.cancel_meeting();
  const Calls calls = item.take();
  EXPECT_EQ("replace body ", calls.back());
  EXPECT_EQ(kStored, item.properties["MIVO"]);
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

// Items as an add-in reads them while they move through Outlook: entry ids
// and folders across saves and deletion, times, recurrence and a series'
// occurrences, windows that open once, and the meeting request behind
// ItemSend.
#include <gtest/gtest.h>

#include <algorithm>

#include "com/late_bound.h"
#include "com/testing/apartment.h"
#include "com/testing/expect.h"
#include "host_test_support.h"
#include "host_windows.h"
#include "outlook_host.h"

namespace mivo::outlookhost {
namespace {

using com::call;
using com::get;
using namespace testing;

std::string text(const com::dispatch_result& result) { return com::as_text(result).value_or("?"); }
long long integer(const com::dispatch_result& result) { return com::as_int(result).value_or(-1); }

class HostItems : public ::testing::Test {
 protected:
  void SetUp() override {
    keys_.register_for_user();
    host_.start();
    item_ = host_.outlook().create_appointment();
  }
  IDispatch* item() { return item_.get(); }
  std::string folder_entry_id(int folder) {
    return text(get(call(get(item(), L"Session"), L"GetDefaultFolder", folder), L"EntryID"));
  }

  com::testing::com_apartment com_;
  TestAddinKeys keys_;
  outlook_host host_;
  com::com_ptr<appointment_item> item_;
};

// What IsInDeletedItems-like code reads: EntryID empty until the first
// save, then kept; Parent the Calendar, then Deleted Items after Delete.
TEST_F(HostItems, EntryIdAndParentFolderFollowSaveAndDelete) {
  EXPECT_EQ("", text(get(item(), L"EntryID")));
  EXPECT_EQ(folder_entry_id(olFolderCalendar), text(get(get(item(), L"Parent"), L"EntryID")));
  ASSERT_HR(S_OK, call(item(), L"Save").hr());
  const std::string saved = text(get(item(), L"EntryID"));
  EXPECT_FALSE(saved.empty());
  ASSERT_HR(S_OK, call(item(), L"Delete").hr());
  EXPECT_EQ(saved, text(get(item(), L"EntryID")));
  EXPECT_EQ(folder_entry_id(olFolderDeletedItems), text(get(get(item(), L"Parent"), L"EntryID")));
  EXPECT_NE(folder_entry_id(olFolderDeletedItems), folder_entry_id(olFolderCalendar));
}

TEST_F(HostItems, MovingTheStartKeepsTheDurationAndTheEndSetsIt) {
  ASSERT_HR(S_OK, com::put(item(), L"Duration", 45));
  const double start = *com::as_double(get(item(), L"Start"));
  ASSERT_HR(S_OK, com::put(item(), L"Start", start + 1.0));
  EXPECT_EQ(45, integer(get(item(), L"Duration")));
  EXPECT_DOUBLE_EQ(start + 1.0 + 45.0 / 1440, *com::as_double(get(item(), L"End")));
  ASSERT_HR(S_OK, com::put(item(), L"End", start + 1.0 + 1.0 / 24));
  EXPECT_EQ(60, integer(get(item(), L"Duration")));
}

TEST_F(HostItems, GetRecurrencePatternMakesTheItemAWeeklySeriesWithoutEnd) {
  EXPECT_FALSE(*com::as_bool(get(item(), L"IsRecurring")));
  EXPECT_EQ(olApptNotRecurring, integer(get(item(), L"RecurrenceState")));
  const auto pattern = call(item(), L"GetRecurrencePattern");
  EXPECT_TRUE(*com::as_bool(get(item(), L"IsRecurring")));
  EXPECT_EQ(olApptMaster, integer(get(item(), L"RecurrenceState")));
  EXPECT_EQ(olRecursWeekly, integer(get(pattern, L"RecurrenceType")));
  EXPECT_TRUE(*com::as_bool(get(pattern, L"NoEndDate")));
  const long long mask = integer(get(pattern, L"DayOfWeekMask"));
  EXPECT_TRUE(mask > 0 && mask <= 64 && (mask & (mask - 1)) == 0) << mask;
  ASSERT_HR(S_OK, com::put(pattern, L"Occurrences", 4));
  EXPECT_FALSE(*com::as_bool(get(pattern, L"NoEndDate")));
  // Moving the start moves the series whole: its last day never comes
  // before its first.
  const double first = *com::as_double(get(pattern, L"PatternStartDate"));
  const double last = *com::as_double(get(pattern, L"PatternEndDate"));
  ASSERT_HR(S_OK, com::put(item(), L"Start", *com::as_double(get(item(), L"Start")) + 20));
  EXPECT_EQ(first + 20, *com::as_double(get(pattern, L"PatternStartDate")));
  EXPECT_EQ(last + 20, *com::as_double(get(pattern, L"PatternEndDate")));
  ASSERT_HR(S_OK, call(item(), L"ClearRecurrencePattern").hr());
  EXPECT_FALSE(*com::as_bool(get(item(), L"IsRecurring")));
}

// A series' occurrences through its pattern: the series on one of its days,
// with the series' EntryID; none on a day the pattern skips or after its
// end; changed and saved, an occurrence becomes an exception of the series
// on its new day, and the series keeps its own start.
TEST_F(HostItems, GetOccurrenceGivesTheSeriesOnItsDaysAndASavedChangeAnException) {
  const double monday = 47546 + 10.0 / 24;  // 2030-03-04 10:00
  ASSERT_HR(S_OK, com::put(item(), L"Start", monday));
  const auto pattern = call(item(), L"GetRecurrencePattern");  // weekly on Mondays
  ASSERT_HR(S_OK, com::put(pattern, L"PatternEndDate", 47546.0 + 14));
  ASSERT_HR(S_OK, call(item(), L"Save").hr());
  const std::string series_id = text(get(item(), L"EntryID"));

  const auto second = call(pattern, L"GetOccurrence", monday + 7);
  ASSERT_HR(S_OK, second.hr());
  EXPECT_EQ(olApptOccurrence, integer(get(second, L"RecurrenceState")));
  EXPECT_TRUE(*com::as_bool(get(second, L"IsRecurring")));
  EXPECT_EQ(series_id, text(get(second, L"EntryID")));
  EXPECT_EQ(monday + 7, *com::as_double(get(second, L"Start")));
  EXPECT_TRUE(FAILED(call(pattern, L"GetOccurrence", monday + 1).hr()));   // a Tuesday
  EXPECT_TRUE(FAILED(call(pattern, L"GetOccurrence", monday + 21).hr()));  // after the end

  const double tuesday_afternoon = monday + 8 + 5.0 / 24;
  ASSERT_HR(S_OK, com::put(second, L"Start", tuesday_afternoon));
  EXPECT_EQ(olApptOccurrence, integer(get(second, L"RecurrenceState")));
  ASSERT_HR(S_OK, call(second, L"Save").hr());
  EXPECT_EQ(olApptException, integer(get(second, L"RecurrenceState")));
  EXPECT_EQ(series_id, text(get(second, L"EntryID")));
  EXPECT_EQ(monday, *com::as_double(get(item(), L"Start")));
  EXPECT_EQ(47546.0, *com::as_double(get(pattern, L"PatternStartDate")));

  const auto moved = call(pattern, L"GetOccurrence", monday + 8);
  EXPECT_EQ(olApptException, integer(get(moved, L"RecurrenceState")));
  EXPECT_EQ(tuesday_afternoon, *com::as_double(get(moved, L"Start")));
  EXPECT_TRUE(FAILED(call(pattern, L"GetOccurrence", monday + 7).hr()));
  EXPECT_EQ(olApptOccurrence,
            integer(get(call(pattern, L"GetOccurrence", monday + 14), L"RecurrenceState")));
}

TEST_F(HostItems, AnItemOpensInOneWindowAndGetInspectorAloneShowsNone) {
  clear_addin_log();
  const auto inspector = get(item(), L"GetInspector");
  EXPECT_EQ("", addin_log());
  EXPECT_TRUE(host_.outlook().open_inspectors().empty());
  ASSERT_HR(S_OK, call(item(), L"Display").hr());
  ASSERT_HR(S_OK, call(item(), L"Display").hr());
  EXPECT_EQ(1u, host_.outlook().open_inspectors().size());
  EXPECT_EQ(inspector.pdispVal, get(item(), L"GetInspector").pdispVal);
  EXPECT_EQ(1, integer(get(get(host_.outlook().application(), L"Inspectors"), L"Count")));
}

TEST_F(HostItems, ClosingWithSaveSavesAndANeverSavedItemClosedUnsavedIsGone) {
  ASSERT_HR(S_OK, call(item(), L"Display").hr());
  ASSERT_HR(S_OK, call(item(), L"Close", static_cast<int>(olSave)).hr());
  EXPECT_FALSE(text(get(item(), L"EntryID")).empty());
  EXPECT_EQ(1u, host_.outlook().items(folder_id::calendar).size());

  auto other = host_.outlook().create_appointment();
  ASSERT_HR(S_OK, call(other.get(), L"Display").hr());
  ASSERT_HR(S_OK, call(other.get(), L"Close", static_cast<int>(olDiscard)).hr());
  EXPECT_EQ(1u, host_.outlook().items(folder_id::calendar).size());
  EXPECT_TRUE(host_.outlook().open_inspectors().empty());
}

// ItemSend's item is the meeting request, whose appointment is the one sent;
// a request received from someone else opens with its own ribbon ID.
TEST_F(HostItems, MeetingRequestsBehindItemSendAndReceived) {
  item_->set_meeting_status(olMeeting);
  item_->add_recipient(L"alice@example.com", olRequired);
  host_.outlook().send(*item_);
  const auto sent = host_.outlook().items(folder_id::sent_items);
  ASSERT_EQ(1u, sent.size());
  IDispatch* request = sent[0].get();
  com::com_ptr<IUnknown> dual;
  EXPECT_HR(S_OK, request->QueryInterface(iid::meeting_item, dual.put_void()));
  EXPECT_EQ(item(), call(request, L"GetAssociatedAppointment", false).pdispVal);
  EXPECT_EQ("IPM.Schedule.Meeting.Request", text(get(request, L"MessageClass")));

  auto received = host_.outlook().receive_request(L"carol@example.com", L"Design review",
                                                  item_->fields().start, 30);
  EXPECT_EQ(olMeetingReceived, integer(get(call(received.get(), L"GetAssociatedAppointment", false),
                                           L"MeetingStatus")));
  clear_addin_log();
  ASSERT_HR(S_OK, call(received.get(), L"Display").hr());
  EXPECT_NE(std::string::npos,
            addin_log().find("GetCustomUI Microsoft.Outlook.MeetingRequest.Read"));
}

// What tells a copy from its original: Copy and CopyTo give a saved item of
// its own EntryID and CreationTime but the same GlobalAppointmentID, body and
// user properties; an exit and a start keep every one of the three.
TEST_F(HostItems, ACopyHasItsOwnEntryIdAndCreationTimeAndARestartKeepsThemAll) {
  host_.outlook().fix_clock(47000.25);
  item_ = host_.outlook().create_appointment();
  ASSERT_HR(S_OK, call(get(item(), L"UserProperties"), L"Add", L"MIVO", static_cast<int>(olText)).hr());
  ASSERT_HR(S_OK, com::put(call(get(item(), L"UserProperties"), L"Find", L"MIVO"), L"Value", L"{}"));
  ASSERT_HR(S_OK, com::put(item(), L"Subject", L"Review"));
  ASSERT_HR(S_OK, call(item(), L"Save").hr());
  const std::string entry = text(get(item(), L"EntryID"));
  const std::string global = text(get(item(), L"GlobalAppointmentID"));
  EXPECT_FALSE(global.empty());

  host_.outlook().advance_clock(3600);
  const auto expect_copy = [&](const com::dispatch_result& copy) {
    ASSERT_HR(S_OK, copy.hr());
    EXPECT_NE(entry, text(get(copy, L"EntryID")));
    EXPECT_FALSE(text(get(copy, L"EntryID")).empty());
    EXPECT_EQ(global, text(get(copy, L"GlobalAppointmentID")));
    EXPECT_NE(*com::as_double(get(item(), L"CreationTime")),
              *com::as_double(get(copy, L"CreationTime")));
    EXPECT_EQ("Review", text(get(copy, L"Subject")));
    EXPECT_EQ("{}", text(get(call(get(copy, L"UserProperties"), L"Find", L"MIVO"), L"Value")));
  };
  expect_copy(call(item(), L"Copy"));
  const auto calendar = com::as_dispatch(
      call(get(item(), L"Session"), L"GetDefaultFolder", static_cast<int>(olFolderCalendar)));
  ASSERT_TRUE(calendar);
  expect_copy(call(item(), L"CopyTo", calendar->get()));
  EXPECT_EQ(3u, host_.outlook().items(folder_id::calendar).size());

  const double created = item_->creation_time();
  item_ = nullptr;
  host_.quit();
  host_.start();
  const auto kept = host_.outlook().items(folder_id::calendar);
  ASSERT_EQ(3u, kept.size());
  const auto original = std::find_if(kept.begin(), kept.end(), [&](const auto& i) {
    return text(get(i.get(), L"EntryID")) == entry;
  });
  ASSERT_NE(kept.end(), original);
  EXPECT_EQ(global, text(get(original->get(), L"GlobalAppointmentID")));
  EXPECT_EQ(created, *com::as_double(get(original->get(), L"CreationTime")));
}

}  // namespace
}  // namespace mivo::outlookhost

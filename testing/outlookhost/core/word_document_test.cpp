// The Word story's rules for ranges and bookmarks, one behaviour per test.
#include "word_document.h"

#include <gtest/gtest.h>

namespace mivo::outlookhost {
namespace {

using Id = WordDocument::RangeId;

// A document holding `body` (plus the final mark) and a range over [s, e).
struct Doc {
  explicit Doc(std::u16string_view body = u"") { word.set_body_text(body); }
  Id range(int s, int e) { return word.add_range(s, e); }
  Id content() { return word.add_range(0, word.story_length()); }
  WordDocument::BookmarkId mark(int s, int e, std::u16string_view name = u"M") {
    return word.add_bookmark(name, Span{s, e});
  }
  WordDocument word;
};

TEST(WordDocument, EmptyDocumentIsOneParagraphMarkAndContentIsZeroToOne) {
  Doc doc;
  EXPECT_EQ(u"\r", doc.word.text());
  EXPECT_EQ((Span{0, 1}), doc.word.range(doc.content()));
}

TEST(WordDocument, InsertAfterOnContentGoesBeforeTheFinalMarkAndContentGrows) {
  Doc doc;
  const Id content = doc.content();
  doc.word.insert_after(content, u"abc");
  EXPECT_EQ(u"abc\r", doc.word.text());
  EXPECT_EQ((Span{0, 4}), doc.word.range(content));
}

TEST(WordDocument, LineEndsBecomeParagraphMarks) {
  Doc doc;
  const Id content = doc.content();
  doc.word.insert_after(content, u"a\r\nb\nc\rd");
  EXPECT_EQ(u"a\rb\rc\rd\r", doc.word.text());
}

TEST(WordDocument, InsertAfterGrowsTheRangeButNotABookmarkEndingThere) {
  Doc doc(u"hello world");
  const auto bookmark = doc.mark(0, 5);
  const Id hello = doc.range(0, 5);
  doc.word.insert_after(hello, u"!");
  EXPECT_EQ(u"hello! world\r", doc.word.text());
  EXPECT_EQ((Span{0, 6}), doc.word.range(hello));
  EXPECT_EQ((Span{0, 5}), doc.word.bookmark_span(bookmark));
}

TEST(WordDocument, InsertAfterOnABookmarksRangeGrowsNeitherInsertBeforeGrowsBoth) {
  Doc doc(u"one two three");
  const auto two = doc.mark(4, 7);
  const Id after = doc.word.add_bookmark_range(two);
  doc.word.insert_after(after, u"X");
  EXPECT_EQ(u"one twoX three\r", doc.word.text());
  EXPECT_EQ((Span{4, 7}), doc.word.range(after));
  EXPECT_EQ((Span{4, 7}), doc.word.bookmark_span(two));

  const Id before = doc.word.add_bookmark_range(two);
  doc.word.insert_before(before, u"Y");
  EXPECT_EQ(u"one YtwoX three\r", doc.word.text());
  EXPECT_EQ((Span{4, 8}), doc.word.range(before));
  EXPECT_EQ((Span{4, 8}), doc.word.bookmark_span(two));
}

TEST(WordDocument, InsertBeforeOnAnEmptyBookmarksRangeTakesTheTextIn) {
  Doc doc(u"ab");
  const auto empty = doc.mark(1, 1);
  doc.word.insert_before(doc.word.add_bookmark_range(empty), u"XY");
  EXPECT_EQ((Span{1, 3}), doc.word.bookmark_span(empty));
}

TEST(WordDocument, BookmarkMovesWithInsertsBeforeInsideAndAtItsEdges) {
  Doc doc(u"0123456789");
  const auto mark = doc.mark(3, 6);
  doc.word.insert_after(doc.range(1, 1), u"ab");  // before: shifts
  EXPECT_EQ((Span{5, 8}), doc.word.bookmark_span(mark));
  doc.word.insert_after(doc.range(6, 6), u"c");  // strictly inside: grows
  EXPECT_EQ((Span{5, 9}), doc.word.bookmark_span(mark));
  doc.word.insert_after(doc.range(5, 5), u"d");  // at its start: goes in
  EXPECT_EQ((Span{5, 10}), doc.word.bookmark_span(mark));
  doc.word.insert_after(doc.range(10, 10), u"e");  // at its end: stays out
  EXPECT_EQ((Span{5, 10}), doc.word.bookmark_span(mark));
  EXPECT_EQ(u"d3c45", doc.word.text().substr(5, 5));
}

TEST(WordDocument, TextGivenToAnEmptyBookmarkLandsToItsRightAndItStaysEmpty) {
  Doc doc(u"ab");
  const auto empty = doc.mark(1, 1);
  doc.word.set_range_text(doc.word.add_bookmark_range(empty), u"XY");
  EXPECT_EQ(u"aXYb\r", doc.word.text());
  EXPECT_EQ((Span{1, 1}), doc.word.bookmark_span(empty));
}

TEST(WordDocument, ReplacingTextThatHoldsABookmarkDeletesIt) {
  Doc doc(u"keep [mark] keep");
  const auto exact = doc.mark(6, 10, u"Exact");
  const auto inner = doc.mark(7, 9, u"Inner");
  const auto empty_inside = doc.mark(8, 8, u"EmptyInside");
  const Id range = doc.word.add_bookmark_range(exact);
  doc.word.set_range_text(range, u"new text");
  EXPECT_FALSE(doc.word.bookmark_exists(exact));
  EXPECT_FALSE(doc.word.bookmark_exists(inner));
  EXPECT_FALSE(doc.word.bookmark_exists(empty_inside));
  EXPECT_EQ(u"keep [new text] keep\r", doc.word.text());
  EXPECT_EQ((Span{6, 14}), doc.word.range(range));
  EXPECT_THROW(doc.word.bookmark_span(exact), WordError);
}

TEST(WordDocument, ReplacingKeepsEmptyBookmarksAtTheEdgesOnTheirSide) {
  Doc doc(u"abcdef");
  const auto at_start = doc.mark(2, 2, u"AtStart");
  const auto at_end = doc.mark(4, 4, u"AtEnd");
  doc.word.set_range_text(doc.range(2, 4), u"XYZ");
  EXPECT_EQ((Span{2, 2}), doc.word.bookmark_span(at_start));
  EXPECT_EQ((Span{5, 5}), doc.word.bookmark_span(at_end));
}

TEST(WordDocument, BookmarkOverlappingReplacedTextKeepsOnlyItsOwnPart) {
  Doc doc(u"0123456789");
  const auto front = doc.mark(1, 5, u"Front");  // overlaps the replaced text's start
  const auto back = doc.mark(6, 9, u"Back");    // overlaps its end
  doc.word.set_range_text(doc.range(3, 7), u"ab");
  EXPECT_EQ(u"012ab789\r", doc.word.text());
  EXPECT_EQ((Span{1, 3}), doc.word.bookmark_span(front));
  EXPECT_EQ((Span{5, 7}), doc.word.bookmark_span(back));
}

TEST(WordDocument, ReplacingTextInsideABookmarkKeepsTheNewTextInIt) {
  Doc doc(u"0123456789");
  const auto outer = doc.mark(2, 8);
  doc.word.set_range_text(doc.range(4, 6), u"abcd");
  EXPECT_EQ((Span{2, 10}), doc.word.bookmark_span(outer));
  doc.word.set_range_text(doc.range(2, 4), u"");  // from the bookmark's start
  EXPECT_EQ((Span{2, 8}), doc.word.bookmark_span(outer));
}

TEST(WordDocument, SettingTheWholeContentKeepsTheFinalMarkAndTheRangeReachesIt) {
  Doc doc(u"old");
  const Id content = doc.content();
  doc.word.set_range_text(content, u"new body");
  EXPECT_EQ(u"new body\r", doc.word.text());
  EXPECT_EQ((Span{0, 9}), doc.word.range(content));
  doc.word.set_range_text(content, u"");
  EXPECT_EQ(u"\r", doc.word.text());
}

TEST(WordDocument, StartAndEndAreClampedAndPushTheOtherEndAlong) {
  Doc doc(u"abcdef");
  const Id range = doc.range(1, 3);
  doc.word.set_range_start(range, 5);
  EXPECT_EQ((Span{5, 5}), doc.word.range(range));
  doc.word.set_range_end(range, 2);
  EXPECT_EQ((Span{2, 2}), doc.word.range(range));
  doc.word.set_range(range, -4, 1000);
  EXPECT_EQ((Span{0, 7}), doc.word.range(range));

  const auto mark = doc.mark(1, 2);
  doc.word.set_bookmark_start(mark, 4);
  EXPECT_EQ((Span{4, 4}), doc.word.bookmark_span(mark));
  doc.word.set_bookmark_end(mark, 3);
  EXPECT_EQ((Span{3, 3}), doc.word.bookmark_span(mark));
}

TEST(WordDocument, LiveRangesFollowEditsMadeThroughOtherRanges) {
  Doc doc(u"abcdef");
  const Id later = doc.range(4, 6);
  const Id holding = doc.range(1, 5);
  doc.word.insert_after(doc.range(2, 2), u"XX");
  EXPECT_EQ((Span{6, 8}), doc.word.range(later));
  EXPECT_EQ((Span{1, 7}), doc.word.range(holding));
  // Text appended to an empty story through another range keeps this one
  // whole: appending replaces nothing, not even the final mark.
  Doc empty;
  const Id whole = empty.content();
  empty.word.insert_after(empty.content(), u"YY");
  EXPECT_EQ((Span{0, 3}), empty.word.range(whole));
}

// The add-in's own sequence: three line breaks after a body, the meeting
// text, a bookmark from the Content's End before the insertion to its End
// after it; later the bookmark's text and the character before it replaced
// and the bookmark added again. Because text appended to the Content goes
// before the final mark, the bookmark starts one past the meeting text's
// first character and takes the final mark in.
TEST(WordDocument, MeetingTextInsertedBookmarkedAndReplacedInPlace) {
  Doc doc(u"Agenda");
  const Id content = doc.content();
  for (int i = 0; i < 3; ++i) doc.word.insert_after(content, u"\r\n");
  const int start = doc.word.range(content).end;
  doc.word.insert_after(content, u"Join: A");
  const int end = doc.word.range(content).end;
  EXPECT_EQ(10, start);
  EXPECT_EQ(17, end);
  const auto mark = doc.word.add_bookmark(u"MivoMailBody", Span{0, 0});
  doc.word.set_bookmark_start(mark, start);
  doc.word.set_bookmark_end(mark, end);
  EXPECT_EQ(u"oin: A\r", doc.word.range_text(doc.word.add_bookmark_range(mark)));

  doc.word.insert_after(doc.range(0, 0), u"Note ");  // the user types above it
  const Span moved = doc.word.bookmark_span(mark);
  doc.word.set_range(content, moved.start - 1, moved.end);
  doc.word.set_range_text(content, u"Join: B");
  EXPECT_FALSE(doc.word.find_bookmark(u"mivomailbody"));
  EXPECT_EQ(u"Note Agenda\r\r\rJoin: B\r", doc.word.text());
  EXPECT_EQ((Span{14, 22}), doc.word.range(content));
}

TEST(WordDocument, BookmarkNamesAreCheckedFoundWithoutCaseAndReusedByMoving) {
  Doc doc(u"abcdef");
  EXPECT_THROW(doc.mark(0, 1, u""), WordError);
  EXPECT_THROW(doc.mark(0, 1, u"two words"), WordError);
  EXPECT_THROW(doc.mark(0, 1, u"1st"), WordError);
  EXPECT_THROW(doc.mark(0, 1, std::u16string(41, u'a')), WordError);
  EXPECT_NO_THROW(doc.mark(0, 1, u"会议_1"));

  const auto first = doc.mark(0, 2, u"Body");
  EXPECT_EQ(first, doc.mark(3, 4, u"BODY"));
  EXPECT_EQ((Span{3, 4}), doc.word.bookmark_span(first));
  EXPECT_EQ(first, doc.word.find_bookmark(u"body"));

  // A name is free again once its bookmark is gone, whichever way it went.
  doc.word.delete_bookmark(first);
  EXPECT_FALSE(doc.word.find_bookmark(u"Body"));
  const auto again = doc.mark(0, 2, u"body");
  EXPECT_NE(first, again);
  EXPECT_EQ(again, doc.word.find_bookmark(u"BODY"));
  doc.word.replace(0, 3, u"x");
  EXPECT_FALSE(doc.word.find_bookmark(u"body"));
}

TEST(WordDocument, BookmarksListedByNameOrPositionWithinASpan) {
  Doc doc(u"abcdefgh");
  const auto zeta = doc.mark(1, 2, u"zeta");
  const auto alpha = doc.mark(4, 6, u"Alpha");
  const auto outside = doc.mark(5, 8, u"beta");
  using Order = WordDocument::Order;
  EXPECT_EQ((std::vector{alpha, outside, zeta}),
            doc.word.bookmarks_within(Span{0, 9}, Order::by_name));
  EXPECT_EQ((std::vector{zeta, alpha}), doc.word.bookmarks_within(Span{0, 6}, Order::by_position));
}

TEST(WordDocument, TypingInTheEditorChangesOnlyTheEditedPart) {
  Doc doc(u"Hello\rJoin here\r");
  const auto mark = doc.mark(6, 15);
  doc.word.set_body_text(u"Hello there\r\nJoin here\r\n");
  EXPECT_EQ((Span{12, 21}), doc.word.bookmark_span(mark));
  doc.word.set_body_text(u"Hello there\r\nJoin us here\r\n");
  EXPECT_EQ((Span{12, 24}), doc.word.bookmark_span(mark));
}

TEST(WordDocument, TypingOverTheWholeBodyTakesTheBookmarksInItAlong) {
  Doc doc(u"Agenda\rJoin: A\r");
  const auto mark =
      doc.mark(7, 16, u"MivoMailBody");  // to the final mark, as the invitation's does
  doc.word.set_body_text(u"Another agenda");
  EXPECT_TRUE(doc.word.find_bookmark(u"MivoMailBody")) << "a diff keeps what it did not touch";
  doc.word.replace_body_text(u"Another agenda");
  EXPECT_FALSE(doc.word.find_bookmark(u"MivoMailBody"));
  EXPECT_EQ(u"Another agenda\r", doc.word.text());
  (void)mark;
}

TEST(WordDocument, InsertedTextTakesTheHighlightBeforeItAndSettingItColoursTheRange) {
  Doc doc(u"abc");
  const Id b = doc.range(1, 2);
  doc.word.set_highlight(b, 7);
  EXPECT_EQ(7, doc.word.highlight(b));
  doc.word.insert_after(b, u"X");
  EXPECT_EQ(7, doc.word.highlight(doc.range(2, 3)));
  const Id all = doc.content();
  doc.word.set_highlight(all, WordDocument::kNoHighlight);
  EXPECT_EQ(WordDocument::kNoHighlight, doc.word.highlight(b));
}

}  // namespace
}  // namespace mivo::outlookhost

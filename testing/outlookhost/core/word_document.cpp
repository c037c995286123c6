// The Word story model: one edit primitive that every change goes through,
// and the rules by which ranges and bookmarks follow an edit.
//
// Documented by Microsoft and modelled as stated: InsertAfter and
// InsertBefore make the range grow; InsertAfter on a range that ends with
// the final paragraph mark inserts before that mark; InsertAfter on a
// bookmark's range grows neither the range nor the bookmark, InsertBefore
// on it grows both; setting a bookmark's text deletes the bookmark; text
// given to a zero-length bookmark lands to its right and the bookmark stays
// empty; setting Start beyond End (End below Start) moves the other end.
//
// Not documented, so taken as the reading closest to those rules: text
// inserted strictly inside a bookmark becomes part of it; text inserted at
// a bookmark's start goes into it and text at its end stays outside (the
// same gravity that gives the documented InsertBefore/InsertAfter
// behaviour); replacing text that holds a whole bookmark deletes it, while
// a bookmark that overlaps the replaced text only in part keeps its own
// part (as Word's bookmark host control is documented to do); positions
// are clamped to the story.
#include "word_document.h"

#include <algorithm>
#include <cwctype>
#include <tuple>

namespace mivo::outlookhost {

namespace {

constexpr char16_t kParagraphMark = u'\r';
// Word refuses longer bookmark names.
constexpr std::size_t kMaxBookmarkName = 40;

char16_t fold(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

// The key under which a name is found: names that differ only in case share it.
std::u16string name_key(std::u16string_view name) {
  std::u16string key(name);
  std::transform(key.begin(), key.end(), key.begin(), fold);
  return key;
}

bool name_less(std::u16string_view a, std::u16string_view b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char16_t x, char16_t y) { return fold(x) < fold(y); });
}

// One word of letters, digits and underscores, not starting with a digit:
// the names Word's Bookmark dialog accepts.
void check_bookmark_name(std::u16string_view name) {
  if (name.empty() || name.size() > kMaxBookmarkName)
    throw WordError("Bad bookmark name: a bookmark name has 1 to 40 characters.");
  if (name[0] >= u'0' && name[0] <= u'9')
    throw WordError("Bad bookmark name: a bookmark name must begin with a letter.");
  for (char16_t c : name) {
    const bool ascii_word = (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') ||
                            (c >= u'a' && c <= u'z') || c == u'_';
    if (c < 0x80 ? !ascii_word : std::iswspace(static_cast<wint_t>(c)) != 0)
      throw WordError("Bad bookmark name: only letters, digits and underscores are allowed.");
  }
}

// Where a span goes when [s, e) (s < e) is replaced by n characters; nullopt
// when it lies wholly in the text the caller asked to replace, [s, asked),
// and is a bookmark, which Word deletes (`asked` may reach past the final
// mark, which stays). A zero-length span at either edge stays on its side.
std::optional<Span> after_replace(Span span, int s, int e, int asked, int n, bool bookmark) {
  const int delta = n - (e - s);
  const auto [a, b] = std::tie(span.start, span.end);
  const bool empty_at_edge = a == b && (a == s || a == e);
  if (s <= a && b <= asked && !empty_at_edge) {
    if (bookmark) return std::nullopt;
    return Span{s, s};
  }
  if (b <= s) return span;                          // before the replaced text
  if (a >= e) return Span{a + delta, b + delta};    // after it
  if (a <= s && b >= e) return Span{a, b + delta};  // holds it
  if (a < s) return Span{a, s};                     // overlaps its start
  return Span{s + n, b + delta};                    // overlaps its end
}

// Where a span goes when n characters are inserted at p: a position after
// p moves, a position at p stays, so text at a span's start goes into it
// and text at its end stays outside.
Span after_insert(Span span, int p, int n) {
  return Span{span.start > p ? span.start + n : span.start, span.end > p ? span.end + n : span.end};
}

}  // namespace

std::u16string to_paragraph_marks(std::u16string_view text) {
  std::u16string result;
  result.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
      result += kParagraphMark;
      ++i;
    } else if (text[i] == u'\n') {
      result += kParagraphMark;
    } else {
      result += text[i];
    }
  }
  return result;
}

WordDocument::WordDocument() : text_(1, kParagraphMark), highlight_(1, kNoHighlight) {
  selection_ = add_range(0, 0);
}

int WordDocument::clamp(int position) const { return std::clamp(position, 0, story_length()); }

WordDocument::LiveRange& WordDocument::live_range(RangeId range) {
  auto found = ranges_.find(range);
  if (found == ranges_.end()) throw WordError("The range no longer exists.");
  return found->second;
}

const WordDocument::LiveRange& WordDocument::live_range(RangeId range) const {
  auto found = ranges_.find(range);
  if (found == ranges_.end()) throw WordError("The range no longer exists.");
  return found->second;
}

WordDocument::Bookmark& WordDocument::bookmark(BookmarkId id) {
  auto found = bookmarks_.find(id);
  if (found == bookmarks_.end()) throw WordError("Object has been deleted.");
  return found->second;
}

const WordDocument::Bookmark& WordDocument::bookmark(BookmarkId id) const {
  auto found = bookmarks_.find(id);
  if (found == bookmarks_.end()) throw WordError("Object has been deleted.");
  return found->second;
}

// A range from Bookmark.Range counts as the bookmark while it still spans
// exactly that bookmark.
bool WordDocument::is_bookmark_range(const LiveRange& range) const {
  if (!range.bookmark) return false;
  auto found = bookmarks_.find(*range.bookmark);
  return found != bookmarks_.end() && found->second.span == range.span;
}

WordDocument::RangeId WordDocument::add_range(int start, int end) {
  start = clamp(start);
  end = std::max(start, clamp(end));
  const RangeId id = next_range_++;
  ranges_[id] = LiveRange{Span{start, end}, std::nullopt};
  return id;
}

WordDocument::RangeId WordDocument::add_bookmark_range(BookmarkId id) {
  const Span span = bookmark(id).span;
  const RangeId range = next_range_++;
  ranges_[range] = LiveRange{span, id};
  return range;
}

void WordDocument::remove_range(RangeId range) { ranges_.erase(range); }

Span WordDocument::range(RangeId range) const { return live_range(range).span; }

void WordDocument::set_range_start(RangeId range, int start) {
  Span& span = live_range(range).span;
  span.start = clamp(start);
  span.end = std::max(span.end, span.start);
}

void WordDocument::set_range_end(RangeId range, int end) {
  Span& span = live_range(range).span;
  span.end = clamp(end);
  span.start = std::min(span.start, span.end);
}

void WordDocument::set_range(RangeId range, int start, int end) {
  set_range_start(range, start);
  set_range_end(range, end);
}

std::u16string WordDocument::range_text(RangeId range) const {
  const Span span = live_range(range).span;
  return text_.substr(span.start, span.end - span.start);
}

void WordDocument::set_range_text(RangeId range, std::u16string_view text) {
  const Span old = live_range(range).span;
  const bool held_final_mark = old.end == story_length();
  const Span inserted = edit(old.start, old.end, text, range);
  live_range(range).span = Span{inserted.start, held_final_mark ? story_length() : inserted.end};
}

void WordDocument::insert_after(RangeId range, std::u16string_view text) {
  LiveRange& live = live_range(range);
  const bool bookmark_range = is_bookmark_range(live);
  const Span old = live.span;
  const Span inserted = edit(old.end, old.end, text, range);
  Span grown = after_insert(old, inserted.start, inserted.end - inserted.start);
  if (!bookmark_range) grown.end = std::max(grown.end, inserted.end);
  live_range(range).span = grown;
}

void WordDocument::insert_before(RangeId range, std::u16string_view text) {
  LiveRange& live = live_range(range);
  const bool bookmark_range = is_bookmark_range(live);
  const Span old = live.span;
  const Span inserted = edit(old.start, old.start, text, range);
  Span grown = after_insert(old, inserted.start, inserted.end - inserted.start);
  grown.start = inserted.start;
  grown.end = std::max(grown.end, inserted.end);
  LiveRange& after = live_range(range);
  after.span = grown;
  if (bookmark_range) bookmarks_.at(*after.bookmark).span = grown;
}

int WordDocument::highlight(RangeId range) const {
  const Span span = live_range(range).span;
  if (span.start < span.end) return highlight_[span.start];
  return span.start > 0 ? highlight_[span.start - 1] : kNoHighlight;
}

void WordDocument::set_highlight(RangeId range, int colour) {
  const Span span = live_range(range).span;
  std::fill(highlight_.begin() + span.start, highlight_.begin() + span.end, colour);
  ++revision_;
}

std::vector<WordDocument::BookmarkId> WordDocument::bookmarks_within(Span span, Order order) const {
  std::vector<BookmarkId> found;
  for (const auto& [id, mark] : bookmarks_) {
    if (mark.span.start >= span.start && mark.span.end <= span.end) found.push_back(id);
  }
  std::sort(found.begin(), found.end(), [&](BookmarkId x, BookmarkId y) {
    const Bookmark& a = bookmarks_.at(x);
    const Bookmark& b = bookmarks_.at(y);
    if (order == Order::by_name) return name_less(a.name, b.name);
    return std::tie(a.span.start, a.span.end, x) < std::tie(b.span.start, b.span.end, y);
  });
  return found;
}

std::optional<WordDocument::BookmarkId> WordDocument::find_bookmark(
    std::u16string_view name) const {
  const auto found = names_.find(name_key(name));
  if (found == names_.end()) return std::nullopt;
  return found->second;
}

WordDocument::BookmarkId WordDocument::add_bookmark(std::u16string_view name, Span span) {
  check_bookmark_name(name);
  span.start = clamp(span.start);
  span.end = std::max(span.start, clamp(span.end));
  ++revision_;
  if (auto existing = find_bookmark(name)) {
    bookmarks_.at(*existing).span = span;
    return *existing;
  }
  const BookmarkId id = next_bookmark_++;
  bookmarks_[id] = Bookmark{std::u16string(name), span};
  names_[name_key(name)] = id;
  return id;
}

bool WordDocument::bookmark_exists(BookmarkId id) const { return bookmarks_.count(id) != 0; }

std::u16string WordDocument::bookmark_name(BookmarkId id) const { return bookmark(id).name; }

Span WordDocument::bookmark_span(BookmarkId id) const { return bookmark(id).span; }

void WordDocument::set_bookmark_start(BookmarkId id, int start) {
  Span& span = bookmark(id).span;
  span.start = clamp(start);
  span.end = std::max(span.end, span.start);
  ++revision_;
}

void WordDocument::set_bookmark_end(BookmarkId id, int end) {
  Span& span = bookmark(id).span;
  span.end = clamp(end);
  span.start = std::min(span.start, span.end);
  ++revision_;
}

void WordDocument::delete_bookmark(BookmarkId id) {
  names_.erase(name_key(bookmark(id).name));
  bookmarks_.erase(id);
  ++revision_;
}

void WordDocument::replace(int start, int end, std::u16string_view text) {
  edit(start, end, text, std::nullopt);
}

void WordDocument::set_body_text(std::u16string_view text) {
  const std::u16string wanted = to_paragraph_marks(text);
  const std::u16string_view body(text_.data(), text_.size() - 1);
  std::size_t prefix = 0;
  while (prefix < body.size() && prefix < wanted.size() && body[prefix] == wanted[prefix]) ++prefix;
  std::size_t suffix = 0;
  while (suffix < body.size() - prefix && suffix < wanted.size() - prefix &&
         body[body.size() - 1 - suffix] == wanted[wanted.size() - 1 - suffix])
    ++suffix;
  if (prefix == body.size() && prefix == wanted.size()) return;
  replace(static_cast<int>(prefix), static_cast<int>(body.size() - suffix),
          std::u16string_view(wanted).substr(prefix, wanted.size() - prefix - suffix));
}

void WordDocument::replace_body_text(std::u16string_view text) { replace(0, story_length(), text); }

Span WordDocument::edit(int start, int end, std::u16string_view text,
                        std::optional<RangeId> editing) {
  // The final paragraph mark is never removed, and nothing goes after it.
  const int last = story_length() - 1;
  const int requested_start = clamp(start);
  const int requested_end = std::max(requested_start, clamp(end));
  start = std::min(requested_start, last);
  end = std::max(start, std::min(requested_end, last));
  // An insertion at the very end lands before the final mark and replaces
  // nothing; a replacement may ask for the mark, which stays.
  const int asked = requested_start == requested_end ? start : requested_end;
  const std::u16string inserted = to_paragraph_marks(text);
  const int n = static_cast<int>(inserted.size());
  const int removed = end - start;

  const int colour = removed > 0 ? highlight_[start]
                     : start > 0 ? highlight_[start - 1]
                                 : kNoHighlight;
  text_.replace(start, removed, inserted);
  highlight_.erase(highlight_.begin() + start, highlight_.begin() + end);
  highlight_.insert(highlight_.begin() + start, n, colour);

  const auto moved = [&](Span span, bool is_bookmark) -> std::optional<Span> {
    if (asked == start) return after_insert(span, start, n);
    return after_replace(span, start, end, asked, n, is_bookmark);
  };
  for (auto it = bookmarks_.begin(); it != bookmarks_.end();) {
    if (auto span = moved(it->second.span, true)) {
      it->second.span = *span;
      ++it;
    } else {
      names_.erase(name_key(it->second.name));
      it = bookmarks_.erase(it);
    }
  }
  for (auto& [id, live] : ranges_) {
    if (editing && id == *editing) continue;
    live.span = *moved(live.span, false);
  }
  ++revision_;
  return Span{start, start + n};
}

}  // namespace mivo::outlookhost

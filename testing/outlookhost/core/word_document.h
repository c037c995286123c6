// The main text story of a Word document as Outlook's Word editor holds an
// item's body: its characters, the live ranges handed out to callers, the
// bookmarks, and the highlight of each character. Every edit moves and
// shrinks ranges and bookmarks the way Word's are documented to move; the
// COM objects of the host are thin views over this.
//
// Positions count UTF-16 code units from the start of the story. The story
// always ends with its final paragraph mark ('\r'), which no edit removes:
// an empty document is "\r" and its Content is [0, 1).
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace mivo::outlookhost {

// A request Word refuses (a bad bookmark name, a deleted bookmark); the COM
// layer turns it into an automation error with this text.
class WordError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct Span {
  int start = 0;
  int end = 0;
  bool operator==(const Span& other) const { return start == other.start && end == other.end; }
};

class WordDocument {
 public:
  using RangeId = std::uint32_t;
  using BookmarkId = std::uint32_t;
  static constexpr int kNoHighlight = 0;

  WordDocument();

  // The whole story, final paragraph mark included.
  const std::u16string& text() const { return text_; }
  int story_length() const { return static_cast<int>(text_.size()); }

  // Live ranges. A range follows the edits made through any range; its
  // positions are clamped to the story. A bookmark's range (from
  // Bookmark.Range) keeps the rules Word gives a range that is a bookmark.
  RangeId add_range(int start, int end);
  RangeId add_bookmark_range(BookmarkId bookmark);
  void remove_range(RangeId range);
  Span range(RangeId range) const;
  // Start beyond End moves End along, End below Start moves Start along.
  void set_range_start(RangeId range, int start);
  void set_range_end(RangeId range, int end);
  void set_range(RangeId range, int start, int end);

  std::u16string range_text(RangeId range) const;
  // Replaces the range's text; the range then spans the new text.
  void set_range_text(RangeId range, std::u16string_view text);
  // The range grows to include the text, except when it is a bookmark's.
  void insert_after(RangeId range, std::u16string_view text);
  void insert_before(RangeId range, std::u16string_view text);
  // The highlight of the range's first character (of the character before
  // a collapsed range); setting it colours every character of the range.
  int highlight(RangeId range) const;
  void set_highlight(RangeId range, int colour);

  // Bookmarks. Names are compared without regard to case.
  enum class Order { by_name, by_position };
  // Bookmarks lying wholly within `span`, in the given order.
  std::vector<BookmarkId> bookmarks_within(Span span, Order order) const;
  std::optional<BookmarkId> find_bookmark(std::u16string_view name) const;
  // A new bookmark over `span`, or the existing one of that name moved
  // there. Throws WordError for a name Word does not accept.
  BookmarkId add_bookmark(std::u16string_view name, Span span);
  bool bookmark_exists(BookmarkId bookmark) const;
  // These throw WordError for a bookmark that no longer exists.
  std::u16string bookmark_name(BookmarkId bookmark) const;
  Span bookmark_span(BookmarkId bookmark) const;
  void set_bookmark_start(BookmarkId bookmark, int start);
  void set_bookmark_end(BookmarkId bookmark, int end);
  void delete_bookmark(BookmarkId bookmark);

  // An edit made in the editor window: replaces [start, end) without a
  // range of its own, moving everything else as any edit does.
  void replace(int start, int end, std::u16string_view text);
  // The story's text apart from its final mark becomes `text`, changed
  // through the smallest single replacement, as a person's typing does.
  void set_body_text(std::u16string_view text);
  // The whole story replaced by `text`, as a person selecting everything
  // and typing does: a bookmark inside it goes (chosen: Word deletes a
  // bookmark whose whole text is replaced).
  void replace_body_text(std::u16string_view text);

  // The editor's selection, a live range like the others: where a bookmark
  // added without a range goes. A new document's is the insertion point at
  // the start.
  RangeId selection() const { return selection_; }

  // Counts every change; observers compare it to know whether to redraw.
  std::uint64_t revision() const { return revision_; }

 private:
  struct LiveRange {
    Span span;
    std::optional<BookmarkId> bookmark;
  };
  struct Bookmark {
    std::u16string name;
    Span span;
  };

  int clamp(int position) const;
  LiveRange& live_range(RangeId range);
  const LiveRange& live_range(RangeId range) const;
  Bookmark& bookmark(BookmarkId bookmark);
  const Bookmark& bookmark(BookmarkId bookmark) const;
  bool is_bookmark_range(const LiveRange& range) const;
  // The one edit every change goes through: [start, end) becomes `text`,
  // with line ends turned into paragraph marks. Returns where the new text
  // lies. Ranges and bookmarks other than `editing` move as Word's do.
  Span edit(int start, int end, std::u16string_view text, std::optional<RangeId> editing);

  std::u16string text_;
  std::vector<int> highlight_;  // one colour per character of text_
  std::map<RangeId, LiveRange> ranges_;
  std::map<BookmarkId, Bookmark> bookmarks_;
  // Each bookmark under its name without case: found at once among many.
  std::map<std::u16string, BookmarkId> names_;
  RangeId next_range_ = 1;
  RangeId selection_ = 0;
  BookmarkId next_bookmark_ = 1;
  std::uint64_t revision_ = 0;
};

// Line ends as Word stores them: "\r\n" and a lone "\n" become '\r'.
std::u16string to_paragraph_marks(std::u16string_view text);

}  // namespace mivo::outlookhost

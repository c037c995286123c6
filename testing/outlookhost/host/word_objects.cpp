// Document, Range, Bookmarks and Bookmark over the Word story model.
//
// Modelled from Word's documentation: a Range's Text is its default member
// and a Bookmark's Name is; Bookmarks.Item takes a 1-based index or a name
// (without regard to case) and raises an error for any other;
// Bookmarks.Exists answers whether a name is there; the document's
// Bookmarks are in name order, a range's in position order.
// Not documented and chosen here: Bookmarks.Add without a Range marks the
// editor's selection; Add with a name in use moves that bookmark; a range's
// Exists, like its Item, knows only the bookmarks within the range; a mixed
// highlight reads as its first character's.
#include "word_objects.h"

#include "outlook_ids.h"

namespace mivo::outlookhost {

namespace {

using Story = std::shared_ptr<WordDocument>;

constexpr DISPID kText = 0, kStart = 3, kEnd = 4, kDuplicate = 6, kRangeBookmarks = 0x4B,
                 kStoryLength = 0x98, kHighlight = 0x12D, kSetRange = 0x64, kInsertBefore = 0x66,
                 kInsertAfter = 0x68, kDelete = 0x7F;

std::u16string u16(const std::wstring& text) { return std::u16string(text.begin(), text.end()); }
std::wstring wide16(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }

// A private interface through which the host recognises its own Range
// objects among arguments (Bookmarks.Add's Range).
constexpr IID kHostRange = {
    0x6b1f3c20, 0x52d4, 0x4d0e, {0x9a, 0x61, 0x3c, 0x0d, 0x84, 0x71, 0x5e, 0x10}};

com::com_ptr<IDispatch> make_range(const Story& story, WordDocument::RangeId id);
com::com_ptr<IDispatch> make_bookmarks(const Story& story,
                                       std::optional<WordDocument::RangeId> scope);
com::com_ptr<IDispatch> make_bookmark(const Story& story, WordDocument::BookmarkId id);

class word_range final : public dispatch_object {
 public:
  word_range(Story story, WordDocument::RangeId id) : story_(std::move(story)), id_(id) {}
  ~word_range() override { story_->remove_range(id_); }

  Span span() const { return story_->range(id_); }

 protected:
  const char* type_name() const noexcept override { return "Word.Range"; }
  bool answers(REFIID iid) const noexcept override { return IsEqualIID(iid, iid::word_range); }
  void* other_interface(REFIID iid) noexcept override {
    return IsEqualIID(iid, kHostRange) ? static_cast<trapped_dispatch*>(this) : nullptr;
  }
  const std::vector<member>& members() const override {
    static const std::vector<member> table = {
        {L"Text", kText, member_kind::get_put},
        {L"Start", kStart, member_kind::get_put},
        {L"End", kEnd, member_kind::get_put},
        {L"Duplicate", kDuplicate, member_kind::get},
        {L"Bookmarks", kRangeBookmarks, member_kind::get},
        {L"StoryLength", kStoryLength, member_kind::get},
        {L"HighlightColorIndex", kHighlight, member_kind::get_put},
        {L"SetRange", kSetRange, member_kind::method, 2, 2},
        {L"InsertBefore", kInsertBefore, member_kind::method, 1, 1},
        {L"InsertAfter", kInsertAfter, member_kind::method, 1, 1},
        {L"Delete", kDelete, member_kind::method, 0, 2},
    };
    return table;
  }
  void invoke(DISPID id, WORD flags, const arguments& args, result& out) override {
    const bool put = flags == DISPATCH_PROPERTYPUT;
    WordDocument& word = *story_;
    switch (id) {
      case kText:
        if (put)
          word.set_range_text(id_, u16(args.put_text()));
        else
          out.text(wide16(word.range_text(id_)));
        return;
      case kStart:
        if (put)
          word.set_range_start(id_, args.put_integer());
        else
          out.integer(span().start);
        return;
      case kEnd:
        if (put)
          word.set_range_end(id_, args.put_integer());
        else
          out.integer(span().end);
        return;
      case kDuplicate: {
        const Span s = span();
        out.object(make_range(story_, word.add_range(s.start, s.end)).get());
        return;
      }
      case kRangeBookmarks: {
        const Span s = span();
        out.object(make_bookmarks(story_, word.add_range(s.start, s.end)).get());
        return;
      }
      case kStoryLength:
        out.integer(word.story_length());
        return;
      case kHighlight:
        if (put)
          word.set_highlight(id_, args.put_integer());
        else
          out.integer(word.highlight(id_));
        return;
      case kSetRange:
        word.set_range(id_, args.integer(0), args.integer(1));
        return;
      case kInsertBefore:
        word.insert_before(id_, u16(args.text(0)));
        return;
      case kInsertAfter:
        word.insert_after(id_, u16(args.text(0)));
        return;
      case kDelete: {
        if (!args.missing(0) || !args.missing(1)) {
          Diagnostics::unmodelled("Word.Range.Delete with a Unit or Count");
          throw automation_error("Range.Delete with Unit or Count is not available here.");
        }
        // A collapsed range deletes the character after it.
        Span s = span();
        if (s.start == s.end) s.end = std::min(s.start + 1, word.story_length() - 1);
        const int before = word.story_length();
        word.replace(s.start, s.end, u"");
        out.integer(before - word.story_length());
        return;
      }
    }
  }

 private:
  Story story_;
  WordDocument::RangeId id_;
};

class word_bookmark final : public dispatch_object {
 public:
  word_bookmark(Story story, WordDocument::BookmarkId id) : story_(std::move(story)), id_(id) {}

 protected:
  const char* type_name() const noexcept override { return "Word.Bookmark"; }
  bool answers(REFIID iid) const noexcept override { return IsEqualIID(iid, iid::word_bookmark); }
  const std::vector<member>& members() const override {
    static const std::vector<member> table = {
        {L"Name", 0, member_kind::get},        {L"Range", 1, member_kind::get},
        {L"Start", 3, member_kind::get_put},   {L"End", 4, member_kind::get_put},
        {L"Delete", 0xB, member_kind::method},
    };
    return table;
  }
  void invoke(DISPID id, WORD flags, const arguments& args, result& out) override {
    const bool put = flags == DISPATCH_PROPERTYPUT;
    WordDocument& word = *story_;
    switch (id) {
      case 0:
        out.text(wide16(word.bookmark_name(id_)));
        return;
      case 1:
        out.object(make_range(story_, word.add_bookmark_range(id_)).get());
        return;
      case 3:
        if (put)
          word.set_bookmark_start(id_, args.put_integer());
        else
          out.integer(word.bookmark_span(id_).start);
        return;
      case 4:
        if (put)
          word.set_bookmark_end(id_, args.put_integer());
        else
          out.integer(word.bookmark_span(id_).end);
        return;
      case 0xB:
        word.delete_bookmark(id_);
        return;
    }
  }

 private:
  Story story_;
  WordDocument::BookmarkId id_;
};

// The document's bookmarks (no scope, in name order) or those within a
// range (in position order); a range's scope follows edits like a Range.
class word_bookmarks final : public dispatch_object {
 public:
  word_bookmarks(Story story, std::optional<WordDocument::RangeId> scope)
      : story_(std::move(story)), scope_(scope) {}
  ~word_bookmarks() override {
    if (scope_) story_->remove_range(*scope_);
  }

 protected:
  const char* type_name() const noexcept override { return "Word.Bookmarks"; }
  bool answers(REFIID iid) const noexcept override { return IsEqualIID(iid, iid::word_bookmarks); }
  const std::vector<member>& members() const override {
    static const std::vector<member> table = {
        {L"Count", 2, member_kind::get},
        {L"Item", 0, member_kind::method, 1, 1},
        {L"Add", 5, member_kind::method, 1, 2},
        {L"Exists", 6, member_kind::method, 1, 1},
    };
    return table;
  }
  void invoke(DISPID id, WORD, const arguments& args, result& out) override {
    WordDocument& word = *story_;
    switch (id) {
      case 2:
        out.integer(static_cast<long>(listed().size()));
        return;
      case 0:
        out.object(make_bookmark(story_, item(args)).get());
        return;
      case 5: {
        Span where = word.range(word.selection());
        if (auto range = args.object(1)) where = range_span(range.get());
        out.object(make_bookmark(story_, word.add_bookmark(u16(args.text(0)), where)).get());
        return;
      }
      case 6:
        out.boolean(named(args.text(0)).has_value());
        return;
    }
  }

 private:
  std::vector<WordDocument::BookmarkId> listed() const {
    const WordDocument& word = *story_;
    if (!scope_)
      return word.bookmarks_within({0, word.story_length()}, WordDocument::Order::by_name);
    return word.bookmarks_within(word.range(*scope_), WordDocument::Order::by_position);
  }

  WordDocument::BookmarkId item(const arguments& args) const {
    const auto found = [&]() -> std::optional<WordDocument::BookmarkId> {
      if (args.type(0) == VT_BSTR) return named(args.text(0));
      const long position = args.integer(0);
      const auto all = listed();
      if (position < 1 || position > static_cast<long>(all.size())) return std::nullopt;
      return all[position - 1];
    }();
    if (!found) throw automation_error("The requested member of the collection does not exist.");
    return *found;
  }

  // The bookmark of that name when it belongs to this collection: found by
  // its name, not by going through the others.
  std::optional<WordDocument::BookmarkId> named(const std::wstring& name) const {
    const auto found = story_->find_bookmark(u16(name));
    if (!found || !scope_) return found;
    const Span scope = story_->range(*scope_);
    const Span mark = story_->bookmark_span(*found);
    if (mark.start >= scope.start && mark.end <= scope.end) return found;
    return std::nullopt;
  }

  static Span range_span(IDispatch* range) {
    com::com_ptr<IUnknown> host;
    if (FAILED(range->QueryInterface(kHostRange, host.put_void())) || !host)
      throw invoke_failure{DISP_E_TYPEMISMATCH, 1};
    return static_cast<word_range*>(static_cast<trapped_dispatch*>(host.get()))->span();
  }

  Story story_;
  std::optional<WordDocument::RangeId> scope_;
};

class word_document_object final : public dispatch_object {
 public:
  explicit word_document_object(Story story) : story_(std::move(story)) {}

 protected:
  const char* type_name() const noexcept override { return "Word.Document"; }
  bool answers(REFIID iid) const noexcept override { return IsEqualIID(iid, iid::word_document); }
  const std::vector<member>& members() const override {
    static const std::vector<member> table = {
        {L"Bookmarks", 4, member_kind::get},
        {L"Content", 0x29, member_kind::get},
        {L"Range", 0x7D0, member_kind::method, 0, 2},
    };
    return table;
  }
  void invoke(DISPID id, WORD, const arguments& args, result& out) override {
    WordDocument& word = *story_;
    switch (id) {
      case 4:
        out.object(make_bookmarks(story_, std::nullopt).get());
        return;
      case 0x29:
        out.object(make_range(story_, word.add_range(0, word.story_length())).get());
        return;
      case 0x7D0: {
        const int start = args.missing(0) ? 0 : args.integer(0);
        const int end = args.missing(1) ? word.story_length() : args.integer(1);
        out.object(make_range(story_, word.add_range(start, end)).get());
        return;
      }
    }
  }

 private:
  Story story_;
};

com::com_ptr<IDispatch> make_range(const Story& story, WordDocument::RangeId id) {
  return com::com_ptr<IDispatch>(make<word_range>(story, id).get());
}

com::com_ptr<IDispatch> make_bookmarks(const Story& story,
                                       std::optional<WordDocument::RangeId> scope) {
  return com::com_ptr<IDispatch>(make<word_bookmarks>(story, scope).get());
}

com::com_ptr<IDispatch> make_bookmark(const Story& story, WordDocument::BookmarkId id) {
  return com::com_ptr<IDispatch>(make<word_bookmark>(story, id).get());
}

}  // namespace

com::com_ptr<IDispatch> make_word_document(std::shared_ptr<WordDocument> story) {
  return com::com_ptr<IDispatch>(make<word_document_object>(std::move(story)).get());
}

}  // namespace mivo::outlookhost

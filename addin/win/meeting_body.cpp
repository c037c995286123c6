// The body edits, by name through IDispatch on Word's objects.
#include "meeting_body.h"

#include "com/late_bound.h"
#include "com/result.h"
#include "office_ids.h"

namespace mivo::addin {

namespace {

using com::as_bool;
using com::as_dispatch;
using com::as_int;
using com::as_text;
using com::call;
using com::get;
using com::put;

// The document's whole story, or null when the editor is not a document.
com::com_ptr<IDispatch> content_of(IDispatch* editor) {
  if (!editor) return nullptr;
  com::com_ptr<IUnknown> document;
  if (FAILED(editor->QueryInterface(office::IID_Document, document.put_void()))) return nullptr;
  return as_dispatch(get(editor, L"Content")).value_or(nullptr);
}

long position(const com::dispatch_result& value) { return static_cast<long>(*as_int(value)); }

// Word adds the bookmark where the selection is; it is then moved over the
// text.
void add_bookmark(const com::dispatch_result& bookmarks, long start, long end) {
  const auto bookmark = as_dispatch(call(bookmarks, L"Add", kMeetingBookmark));
  if (!bookmark) return;
  LOG_IF_FAILED(put(*bookmark, L"Start", start));
  LOG_IF_FAILED(put(*bookmark, L"End", end));
}

// The invitation's bookmark, looked up by name (Word ignores case), so that
// a body full of other bookmarks costs no more than one without.
com::com_ptr<IDispatch> meeting_bookmark(const com::dispatch_result& bookmarks) {
  if (!as_bool(call(bookmarks, L"Exists", kMeetingBookmark)).value_or(false)) return nullptr;
  return as_dispatch(call(bookmarks, L"Item", kMeetingBookmark)).value_or(nullptr);
}

}  // namespace

bool InsertMeetingBody(IDispatch* editor, const std::string& text) {
  const auto range = content_of(editor);
  if (!range) return false;
  const com::dispatch_result bookmarks = get(range, L"Bookmarks");
  if (position(get(range, L"End")) > 1) {
    for (int i = 0; i < 3; ++i) LOG_IF_FAILED(call(range, L"InsertAfter", L"\r\n").hr());
  }
  const long start = position(get(range, L"End"));
  LOG_IF_FAILED(call(range, L"InsertAfter", text).hr());
  const long end = position(get(range, L"End"));
  add_bookmark(bookmarks, start, end);
  LOG_IF_FAILED(call(range, L"SetRange", start, end).hr());
  LOG_IF_FAILED(put(range, L"HighlightColorIndex", 0));
  return true;
}

void ReplaceMeetingBody(IDispatch* editor, const std::string& text) {
  const auto range = content_of(editor);
  if (!range) return;
  const com::dispatch_result bookmarks = get(range, L"Bookmarks");
  if (const auto bookmark = meeting_bookmark(bookmarks)) {
    const std::string marked =
        as_text(get(get(bookmark, L"Range"), L"Text")).value_or(std::string());
    if (marked.find_first_not_of("\r\n") != std::string::npos) {
      long start = position(get(bookmark, L"Start"));
      const long end = position(get(bookmark, L"End"));
      if (start > 0) --start;
      LOG_IF_FAILED(call(range, L"SetRange", start, end).hr());
      LOG_IF_FAILED(put(range, L"Text", std::string_view(text)));
      const long new_start = position(get(range, L"Start"));
      const long new_end = position(get(range, L"End"));
      // No text, no bookmark: Word keeps the final paragraph mark in the
      // range, which is no meeting text.
      if (!text.empty() && new_start < new_end) add_bookmark(bookmarks, new_start + 1, new_end);
      return;
    }
    // The user deleted the invitation and the bookmark stayed behind with no
    // text, or only the body's final paragraph mark: the character before it
    // is the user's own. The text goes in afresh instead.
    LOG_IF_FAILED(call(bookmark, L"Delete").hr());
  }
  // Nothing to take away is nothing to put in: no empty lines for no text.
  if (!text.empty()) InsertMeetingBody(editor, text);
}

}  // namespace mivo::addin

// The invitation text in the appointment body, edited through the Word
// document behind Inspector.WordEditor and marked by the bookmark
// "MivoMailBody" so that a later update finds and replaces it.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>

namespace mivo::addin {

inline constexpr char kMeetingBookmark[] = "MivoMailBody";

// Appends the text to the body (after three line breaks when the body has
// text) and bookmarks it. False when the editor is not a Word document.
bool InsertMeetingBody(IDispatch* editor, const std::string& text);

// Replaces the bookmarked text, together with the one character before it
// (Word's range for text appended to the body starts one character late),
// and bookmarks the new text; "" removes text and bookmark. A body whose
// bookmark is gone or empty (the user deleted the text) gets the text
// inserted afresh, and "" then changes nothing.
void ReplaceMeetingBody(IDispatch* editor, const std::string& text);

}  // namespace mivo::addin

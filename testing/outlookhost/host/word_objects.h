// Word's objects as Inspector.WordEditor hands them out: the Document, its
// Range objects (live: they follow every edit), the Bookmarks collections
// of the document and of a range, and Bookmark objects, all views over one
// WordDocument, answering the documented DISPIDs and IIDs.
#pragma once

#include <memory>

#include "automation.h"
#include "word_document.h"

namespace mivo::outlookhost {

com::com_ptr<IDispatch> make_word_document(std::shared_ptr<WordDocument> story);

}  // namespace mivo::outlookhost

// XML read by XmlLite (xmllite.dll, reached through its exported
// CreateXmlReader) into the tree the ribbon checks take.
#pragma once

#include <string>

#include "ribbon_markup.h"

namespace mivo::outlookhost {

// Parses the text; false with "line L, column C: ..." when it is not
// well-formed XML. DTDs are refused, as a ribbon has none.
bool read_xml(const std::wstring& text, XmlElement& root, std::string& error);

}  // namespace mivo::outlookhost

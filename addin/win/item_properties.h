// Outlook item data the tracker keeps or looks at: text user properties
// (the "MIVO" settings record and the "CLOSE" mark) and the item's folder.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>

namespace mivo::addin {

// The custom property's value as text (a number 5 reads "5"); "" when the
// item has no such property or its value is empty.
std::string GetUserPropertyText(IDispatch* item, const char* name);

// Stores the text in the custom property, adding it as a text property
// when missing. The item itself is not saved.
void SetUserPropertyText(IDispatch* item, const char* name, const std::string& text);

// Whether the item lies in the Deleted Items folder of its session.
bool IsInDeletedItems(IDispatch* item);

}  // namespace mivo::addin

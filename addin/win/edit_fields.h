// Hands what the user is typing in an appointment window's To or Subject
// field to Outlook before the add-in reads the item: Outlook takes a
// field's text into the item only when the field loses the focus.
#pragma once

namespace mivo::addin {

// Works on the active window's To (4100), Subject (4102) and the field
// with id 4106: the focus moves off the field holding it and back.
void CommitEditFields();

}  // namespace mivo::addin

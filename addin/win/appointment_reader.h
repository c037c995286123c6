// The appointment record of an Outlook appointment, read afresh at each
// call through the item's members by name.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>
#include <utility>

namespace mivo::addin {

// The record as the scheduler's SetSettings takes it (JSON, UTF-8 inside);
// "" when no item is given.
std::string ReadAppointmentInfo(IDispatch* item);

// A recipient's SMTP address and display name, either possibly empty:
// Exchange users, agents and distribution lists are looked up in the
// session's address book (`name_space`), every other entry gives its own
// address.
std::pair<std::string, std::string> ResolveRecipientAddress(IDispatch* recipient,
                                                            IDispatch* name_space);

}  // namespace mivo::addin

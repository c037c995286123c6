// The smaller Outlook objects an item or the session hands out: recipients
// and address entries with their property accessors, user properties and
// the recurrence pattern. Each is a view that reads its item afresh.
#pragma once

#include "outlook_session.h"

namespace mivo::outlookhost {

com::com_ptr<IDispatch> make_recipients(com::com_ptr<item_base> item);
// A recipient of an item, or (without an item) the profile's own user.
com::com_ptr<IDispatch> make_recipient(com::com_ptr<item_base> item, int id);
com::com_ptr<IDispatch> make_user_recipient(std::shared_ptr<session> owner);
com::com_ptr<IDispatch> make_address_entry(std::shared_ptr<session> owner,
                                           const directory_entry& entry);
com::com_ptr<IDispatch> make_item_property_accessor(com::com_ptr<item_base> item);
com::com_ptr<IDispatch> make_user_properties(com::com_ptr<item_base> item);
com::com_ptr<IDispatch> make_recurrence_pattern(com::com_ptr<item_base> item);

// Members every Outlook object has: Application, Session and Parent.
inline constexpr DISPID kApplication = 0xF000, kSession = 0xF00B, kParent = 0xF001;

}  // namespace mivo::outlookhost

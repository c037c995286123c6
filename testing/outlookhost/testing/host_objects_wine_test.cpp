// The object model as an add-in reaches it by name: recipients of every
// kind, the invocation kinds a type library enforces (an indexed property
// among them), Word's editor and user properties through IDispatch.
#include <gtest/gtest.h>

#include "com/late_bound.h"
#include "com/testing/apartment.h"
#include "com/testing/expect.h"
#include "host_test_support.h"
#include "outlook_host.h"
#include "outlook_ids.h"

namespace mivo::outlookhost {
namespace {

using com::call;
using com::get;

constexpr wchar_t kSmtpProptag[] = L"http://schemas.microsoft.com/mapi/proptag/0x39FE001E";

std::string text(const com::dispatch_result& result) {
  return com::as_text(result).value_or("(" + std::to_string(result.hr()) + ")");
}
long long integer(const com::dispatch_result& result) { return com::as_int(result).value_or(-1); }

class HostObjects : public ::testing::Test {
 protected:
  void SetUp() override {
    outlook_.add_entry(directory_entry::kind::exchange_user, L"李雷", L"li.lei@example.com");
    outlook_.add_entry(directory_entry::kind::exchange_agent, L"Room Booking",
                       L"rooms@example.com");
    outlook_.add_entry(directory_entry::kind::exchange_list, L"Design Team", L"design@example.com");
    item_ = outlook_.create_appointment();
    item_->set_meeting_status(olMeeting);
    for (const wchar_t* name :
         {L"李雷", L"Room Booking", L"Design Team", L"bob@example.com", L"Nobody"})
      item_->add_recipient(name, olRequired);
  }
  void TearDown() override { session_->shutdown(); }

  IDispatch* item() { return item_.get(); }
  com::dispatch_result recipient(int index) {
    return call(get(item(), L"Recipients"), L"Item", index);
  }

  com::testing::com_apartment com_;
  std::shared_ptr<session> session_ = session::create();
  session& outlook_ = *session_;
  com::com_ptr<appointment_item> item_;
};

TEST_F(HostObjects, RecipientsOfEveryKindGiveTheirSmtpAddressTheWayOutlookDoes) {
  const auto name_space = get(item(), L"Session");
  EXPECT_EQ(6, integer(get(get(item(), L"Recipients"), L"Count")));
  EXPECT_EQ("Mivo Tester", text(get(recipient(1), L"Name")));  // the organiser comes first
  const auto entry_from_id = [&](int index) {
    return call(name_space, L"GetAddressEntryFromID", text(get(recipient(index), L"EntryID")));
  };

  EXPECT_EQ("EX", text(get(get(recipient(2), L"AddressEntry"), L"Type")));
  EXPECT_EQ(0u, text(get(recipient(2), L"Address")).rfind("/o=", 0));
  EXPECT_EQ(olExchangeUserAddressEntry,
            integer(get(get(recipient(2), L"AddressEntry"), L"AddressEntryUserType")));
  EXPECT_EQ("li.lei@example.com",
            text(get(call(entry_from_id(2), L"GetExchangeUser"), L"PrimarySmtpAddress")));

  const auto agent = get(recipient(3), L"AddressEntry");
  EXPECT_EQ(olExchangeAgentAddressEntry, integer(get(agent, L"AddressEntryUserType")));
  EXPECT_TRUE(com::as_dispatch(call(agent, L"GetExchangeUser")).is_missing());
  EXPECT_EQ("rooms@example.com",
            text(call(get(agent, L"PropertyAccessor"), L"GetProperty", kSmtpProptag)));

  EXPECT_EQ(olExchangeDistributionListAddressEntry,
            integer(get(get(recipient(4), L"AddressEntry"), L"AddressEntryUserType")));
  EXPECT_EQ("design@example.com", text(get(call(entry_from_id(4), L"GetExchangeDistributionList"),
                                           L"PrimarySmtpAddress")));

  EXPECT_EQ("SMTP", text(get(get(recipient(5), L"AddressEntry"), L"Type")));
  EXPECT_EQ("bob@example.com", text(get(recipient(5), L"Address")));

  EXPECT_FALSE(*com::as_bool(get(recipient(6), L"Resolved")));
  EXPECT_TRUE(com::as_dispatch(get(recipient(6), L"AddressEntry")).is_missing());

  // The proptag namespace is case-sensitive and http only; an unknown entry
  // id is an error.
  EXPECT_TRUE(FAILED(call(get(agent, L"PropertyAccessor"), L"GetProperty",
                          L"https://schemas.microsoft.com/mapi/proptag/0x39FE001E")
                         .hr()));
  EXPECT_TRUE(FAILED(call(name_space, L"GetAddressEntryFromID", L"0000").hr()));
}

TEST_F(HostObjects, MembersAnswerOnlyTheInvocationKindTheirTypeLibraryGives) {
  // GetInspector is a property, ActiveWindow a method: each refuses the
  // other kind, as Outlook's type library makes them do.
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR name = const_cast<LPOLESTR>(L"GetInspector");
  ASSERT_HR(S_OK, item()->GetIDsOfNames(IID_NULL, &name, 1, 0, &id));
  DISPPARAMS none{};
  com::unique_variant out;
  EXPECT_HR(DISP_E_MEMBERNOTFOUND,
            item()->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &none, out.put(), nullptr, nullptr));
  EXPECT_HR(S_OK, get(item(), L"GetInspector").hr());
  EXPECT_HR(DISP_E_MEMBERNOTFOUND, get(outlook_.application(), L"ActiveWindow").hr());
  EXPECT_HR(S_OK, call(outlook_.application(), L"ActiveWindow").hr());
  EXPECT_HR(DISP_E_UNKNOWNNAME, call(item(), L"NoSuchMember").hr());
  EXPECT_HR(DISP_E_BADPARAMCOUNT, call(item(), L"Close").hr());
  // LanguageID is a property with an index: the index is required.
  const auto languages = get(outlook_.application(), L"LanguageSettings");
  outlook_.set_language(1033);
  EXPECT_EQ(1033, integer(get(languages, L"LanguageID", 2)));  // msoLanguageIDUI
  EXPECT_HR(DISP_E_BADPARAMCOUNT, get(languages, L"LanguageID").hr());
  EXPECT_HR(E_INVALIDARG, get(languages, L"LanguageID", 9).hr());  // from EXCEPINFO

  com::com_ptr<IUnknown> dual;
  EXPECT_HR(S_OK, item()->QueryInterface(iid::appointment_item, dual.put_void()));
  EXPECT_HR(E_NOINTERFACE, item()->QueryInterface(iid::meeting_item, dual.put_void()));
  // A call through a slot of the dual interface's vtable is caught.
  using slot_fn = HRESULT(STDMETHODCALLTYPE*)(IDispatch*, BSTR*);
  auto** vtable = *reinterpret_cast<slot_fn**>(item());
  BSTR subject = nullptr;
  EXPECT_HR(E_NOTIMPL, vtable[43](item(), &subject));
}

// The add-in's own body sequence, by name: Content of an empty body is
// [0, 1), Item(0) is an error, names are found without regard to case (by
// Exists and Item), a range's collection knows only the bookmarks within
// it, and setting the text around the bookmark deletes it.
TEST_F(HostObjects, WordEditorThroughIDispatch) {
  const auto document = get(get(item(), L"GetInspector"), L"WordEditor");
  com::com_ptr<IUnknown> dual;
  EXPECT_HR(S_OK, document.pdispVal->QueryInterface(iid::word_document, dual.put_void()));
  const auto content = get(document, L"Content");
  EXPECT_EQ(1, integer(get(content, L"End")));
  const auto bookmarks = get(content, L"Bookmarks");
  ASSERT_HR(S_OK, call(content, L"InsertAfter", L"Join here").hr());
  const auto mark = call(bookmarks, L"Add", L"MivoMailBody");
  ASSERT_HR(S_OK, com::put(mark, L"End", 10));
  EXPECT_EQ(1, integer(get(bookmarks, L"Count")));
  EXPECT_HR(E_FAIL, call(bookmarks, L"Item", 0).hr());  // Word's error, from EXCEPINFO
  EXPECT_EQ("MivoMailBody", text(get(call(bookmarks, L"Item", L"mivomailbody"), L"Name")));
  EXPECT_EQ(true, com::as_bool(call(bookmarks, L"Exists", L"MIVOMAILBODY")).value_or(false));
  EXPECT_EQ(false, com::as_bool(call(bookmarks, L"Exists", L"Other")).value_or(true));
  const auto before = get(call(document, L"Range", 0, 5), L"Bookmarks");
  EXPECT_EQ(false, com::as_bool(call(before, L"Exists", L"MivoMailBody")).value_or(true));
  EXPECT_HR(E_FAIL, call(before, L"Item", L"MivoMailBody").hr());
  ASSERT_HR(S_OK, call(content, L"SetRange", 0, 10).hr());
  ASSERT_HR(S_OK, com::put(content, L"Text", L"New text"));
  EXPECT_EQ(0, integer(get(bookmarks, L"Count")));
  EXPECT_EQ("New text", text(get(item(), L"Body")));
}

TEST_F(HostObjects, UserPropertiesAreFoundAddedAndConvertedAsOutlookDoes) {
  const auto properties = get(item(), L"UserProperties");
  EXPECT_TRUE(com::as_dispatch(call(properties, L"Find", L"MIVO", true)).is_missing());
  EXPECT_HR(E_FAIL, call(properties, L"Add", L"MIVO_X", static_cast<int>(olText)).hr());
  const auto count = call(properties, L"Add", L"Count", static_cast<int>(olNumber));
  ASSERT_HR(S_OK, com::put(count, L"Value", L"5"));
  EXPECT_EQ(5.0, *com::as_double(get(call(properties, L"Find", L"count"), L"Value")));
  EXPECT_HR(E_FAIL, com::put(count, L"Value", L"five"));
}

}  // namespace
}  // namespace mivo::outlookhost

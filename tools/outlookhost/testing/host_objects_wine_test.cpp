// The object model as an add-in reaches it by name: recipients of every
// kind, the invocation kinds a type library enforces, Word's editor and
// user properties through IDispatch.
#include <gtest/gtest.h>

#include "host_test_support.h"
#include "outlook_host.h"
#include "outlook_ids.h"

namespace mivo::outlookhost {
namespace {

namespace sched = mivo::scheduler::testing;
using namespace testing;

constexpr wchar_t kSmtpProptag[] = L"http://schemas.microsoft.com/mapi/proptag/0x39FE001E";

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
  com::com_ptr<IDispatch> recipient(long index) {
    return object(object(item(), L"Recipients").get(), L"Item", {arg(index)}, DISPATCH_METHOD);
  }

  sched::ComApartment com_;
  std::shared_ptr<session> session_ = session::create();
  session& outlook_ = *session_;
  com::com_ptr<appointment_item> item_;
};

TEST_F(HostObjects, RecipientsOfEveryKindGiveTheirSmtpAddressTheWayOutlookDoes) {
  IDispatch* name_space = object(item(), L"Session").get();
  EXPECT_EQ(6, number(object(item(), L"Recipients").get(), L"Count"));
  EXPECT_EQ(L"Mivo Tester", text(recipient(1).get(), L"Name"));  // the organiser comes first

  const auto exchange_entry = [&](long index) {
    return object(name_space, L"GetAddressEntryFromID",
                  {arg(text(recipient(index).get(), L"EntryID").c_str())}, DISPATCH_METHOD);
  };
  auto user = recipient(2);
  auto user_entry = object(user.get(), L"AddressEntry");
  EXPECT_EQ(L"EX", text(user_entry.get(), L"Type"));
  EXPECT_EQ(0u, text(user.get(), L"Address").rfind(L"/o=", 0));
  EXPECT_EQ(olExchangeUserAddressEntry, number(user_entry.get(), L"AddressEntryUserType"));
  EXPECT_EQ(L"li.lei@example.com",
            text(object(exchange_entry(2).get(), L"GetExchangeUser", {}, DISPATCH_METHOD).get(),
                 L"PrimarySmtpAddress"));

  auto agent_entry = object(recipient(3).get(), L"AddressEntry");
  EXPECT_EQ(olExchangeAgentAddressEntry, number(agent_entry.get(), L"AddressEntryUserType"));
  EXPECT_FALSE(object(agent_entry.get(), L"GetExchangeUser", {}, DISPATCH_METHOD));
  EXPECT_EQ(L"rooms@example.com", text(object(agent_entry.get(), L"PropertyAccessor").get(),
                                       L"GetProperty", {arg(kSmtpProptag)}, DISPATCH_METHOD));

  EXPECT_EQ(olExchangeDistributionListAddressEntry,
            number(object(recipient(4).get(), L"AddressEntry").get(), L"AddressEntryUserType"));
  EXPECT_EQ(L"design@example.com", text(object(exchange_entry(4).get(),
                                               L"GetExchangeDistributionList", {}, DISPATCH_METHOD)
                                            .get(),
                                        L"PrimarySmtpAddress"));

  auto smtp = recipient(5);
  EXPECT_EQ(L"SMTP", text(object(smtp.get(), L"AddressEntry").get(), L"Type"));
  EXPECT_EQ(L"bob@example.com", text(smtp.get(), L"Address"));

  auto unknown = recipient(6);
  EXPECT_EQ(0, number(unknown.get(), L"Resolved"));
  EXPECT_FALSE(object(unknown.get(), L"AddressEntry"));

  // The proptag namespace is case-sensitive and http only.
  com::unique_variant out;
  EXPECT_EQ(
      DISP_E_EXCEPTION,
      invoke(object(agent_entry.get(), L"PropertyAccessor").get(), L"GetProperty", DISPATCH_METHOD,
             {arg(L"https://schemas.microsoft.com/mapi/proptag/0x39FE001E")}, &out));
  EXPECT_EQ(DISP_E_EXCEPTION, invoke(name_space, L"GetAddressEntryFromID", DISPATCH_METHOD,
                                     {arg(L"0000")}, out.put()));
}

TEST_F(HostObjects, MembersAnswerOnlyTheInvocationKindTheirTypeLibraryGives) {
  com::unique_variant out;
  // GetInspector is a property, ActiveWindow a method.
  EXPECT_EQ(DISP_E_MEMBERNOTFOUND, invoke(item(), L"GetInspector", DISPATCH_METHOD, {}, &out));
  EXPECT_EQ(S_OK, invoke(item(), L"GetInspector", DISPATCH_PROPERTYGET, {}, out.put()));
  IDispatch* application = outlook_.application();
  EXPECT_EQ(DISP_E_MEMBERNOTFOUND,
            invoke(application, L"ActiveWindow", DISPATCH_PROPERTYGET, {}, out.put()));
  EXPECT_EQ(S_OK, invoke(application, L"ActiveWindow", DISPATCH_METHOD | DISPATCH_PROPERTYGET, {},
                         out.put()));
  EXPECT_EQ(DISP_E_UNKNOWNNAME, invoke(item(), L"NoSuchMember", DISPATCH_METHOD, {}, out.put()));
  EXPECT_EQ(DISP_E_BADPARAMCOUNT, invoke(item(), L"Close", DISPATCH_METHOD, {}, out.put()));

  com::com_ptr<IUnknown> dual;
  EXPECT_EQ(S_OK, item()->QueryInterface(iid::appointment_item, dual.put_void()));
  EXPECT_EQ(E_NOINTERFACE, item()->QueryInterface(iid::meeting_item, dual.put_void()));
  // A call through a slot of the dual interface's vtable is caught.
  using slot_fn = HRESULT(STDMETHODCALLTYPE*)(IDispatch*, BSTR*);
  auto** vtable = *reinterpret_cast<slot_fn**>(item());
  BSTR subject = nullptr;
  EXPECT_EQ(E_NOTIMPL, vtable[43](item(), &subject));
}

// The add-in's own body sequence, by name: Content of an empty body is
// [0, 1), Item(0) is an error, names are found without regard to case, and
// setting the text around the bookmark deletes it.
TEST_F(HostObjects, WordEditorThroughIDispatch) {
  auto inspector = object(item(), L"GetInspector");
  auto document = object(inspector.get(), L"WordEditor");
  com::com_ptr<IUnknown> dual;
  EXPECT_EQ(S_OK, document->QueryInterface(iid::word_document, dual.put_void()));
  auto content = object(document.get(), L"Content");
  EXPECT_EQ(1, number(content.get(), L"End"));
  auto bookmarks = object(content.get(), L"Bookmarks");
  invoke(content.get(), L"InsertAfter", DISPATCH_METHOD, {arg(L"Join here")}, nullptr);
  auto mark = object(bookmarks.get(), L"Add", {arg(L"MivoMailBody")}, DISPATCH_METHOD);
  ASSERT_EQ(S_OK, put(mark.get(), L"End", arg(10)));
  EXPECT_EQ(1, number(bookmarks.get(), L"Count"));
  com::unique_variant out;
  EXPECT_EQ(DISP_E_EXCEPTION, invoke(bookmarks.get(), L"Item", DISPATCH_METHOD, {arg(0L)}, &out));
  EXPECT_EQ(L"MivoMailBody",
            text(object(bookmarks.get(), L"Item", {arg(L"mivomailbody")}, DISPATCH_METHOD).get(),
                 L"Name"));
  invoke(content.get(), L"SetRange", DISPATCH_METHOD, {arg(0L), arg(10L)}, nullptr);
  ASSERT_EQ(S_OK, put(content.get(), L"Text", arg(L"New text")));
  EXPECT_EQ(0, number(bookmarks.get(), L"Count"));
  EXPECT_EQ(L"New text", text(item(), L"Body"));
}

TEST_F(HostObjects, UserPropertiesAreFoundAddedAndConvertedAsOutlookDoes) {
  auto properties = object(item(), L"UserProperties");
  EXPECT_FALSE(object(properties.get(), L"Find", {arg(L"MIVO"), arg(-1L)}, DISPATCH_METHOD));
  com::unique_variant out;
  EXPECT_EQ(DISP_E_EXCEPTION,
            invoke(properties.get(), L"Add", DISPATCH_METHOD, {arg(L"MIVO_X"), arg(olText)}, &out));
  auto count = object(properties.get(), L"Add", {arg(L"Count"), arg(olNumber)}, DISPATCH_METHOD);
  ASSERT_EQ(S_OK, put(count.get(), L"Value", arg(L"5")));
  EXPECT_EQ(L"5", text(object(properties.get(), L"Find", {arg(L"count")}, DISPATCH_METHOD).get(),
                       L"Value"));
  EXPECT_EQ(DISP_E_EXCEPTION, put(count.get(), L"Value", arg(L"five")));
}

}  // namespace
}  // namespace mivo::outlookhost

// The scheduler DLL as a COM server: the conformance suite every server runs
// (registration, creation, aggregation, unloading, identity), the names and
// results of IDispatch, and the object's own state (sink, records).
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "com/com_ptr.h"
#include "com/testing/counted_dispatch.h"
#include "com/testing/server_conformance.h"
#include "com/unique.h"
#include "win/wide_text.h"
#include "registry_store.h"
#include "testing/scheduler_test_support.h"

namespace mivo::scheduler {
namespace {

using mivo::com::com_ptr;
using mivo::com::unique_bstr;
using mivo::com::testing::ComServerConformance;

mivo::com::testing::server_description scheduler_description() {
  return {MIVO_SCHEDULER_DLL_NAME,
          CLSID_MeetingRequest,
          IID_IMeetingRequest,
          L"MeetingRequest Class",
          L"MivoScheduler.MeetingRequest",
          L"MivoScheduler.MeetingRequest.1",
          L"Apartment",
          {0xC68D264A, 0x7EE1, 0x4270, {0xB5, 0xC4, 0x09, 0xF0, 0x65, 0x97, 0xB0, 0xB1}},
          L"MivoScheduler",
          L"MivoScheduler.DLL",
          false,
          LIBID_MivoSchedulerLib,
          L"MivoScheduler 1.0 Type Library",
          {IID_IMeetingRequest, IID_ISettingsSink},
          true,
          {}};
}

INSTANTIATE_TEST_SUITE_P(MivoScheduler, ComServerConformance,
                         ::testing::Values(scheduler_description()));

class ObjectTest : public ::testing::Test {
 protected:
  testing::com_apartment com_;
  testing::SettingsKeyGuard settings_;
};

TEST_F(ObjectTest, DispatchAnswersFromTheEmbeddedTypeLibrary) {
  const com_ptr<IMeetingRequest> request = testing::create_meeting_request();
  com_ptr<IDispatch> dispatch;
  ASSERT_EQ(S_OK, request->QueryInterface(IID_IDispatch, dispatch.put_void()));

  const wchar_t* names[] = {L"ScheduleMeeting", L"AccountSetting",
                            L"SetSettings",     L"GetMailBody",
                            L"SettingsDoModal", L"GetSettings",
                            L"Commit",          L"Delete",
                            L"SimpleUpdate",    L"GetMeetingInfoChangedFlag",
                            L"Advise",          L"UnAdvise",
                            L"AboutDlg",        L"StartInstantMeeting",
                            L"CancellationDlg", L"OnLogin"};
  for (DISPID expected = 1; expected <= 16; ++expected) {
    LPOLESTR name = const_cast<LPOLESTR>(names[expected - 1]);
    DISPID id = 0;
    ASSERT_EQ(S_OK, dispatch->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id));
    EXPECT_EQ(expected, id) << names[expected - 1];
  }

  com_ptr<ITypeInfo> info;
  ASSERT_EQ(S_OK, dispatch->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.put()));
  unique_bstr doc;
  ASSERT_EQ(S_OK, info->GetDocumentation(14, nullptr, doc.put(), nullptr, nullptr));
  EXPECT_STREQ(L"method AboutDlg", doc.get());
  ASSERT_EQ(S_OK, info->GetDocumentation(7, nullptr, doc.put(), nullptr, nullptr));
  EXPECT_STREQ(L"method Commit", doc.get());
  ASSERT_EQ(S_OK, info->GetDocumentation(MEMBERID_NIL, nullptr, doc.put(), nullptr, nullptr));
  EXPECT_STREQ(L"IMeetingRequest Interface", doc.get());

  // Results through Invoke: a failure becomes an exception, an out value
  // the return value.
  VARIANT argument;
  VariantInit(&argument);
  argument.vt = VT_I4;
  argument.lVal = SINK_OnBehalf;
  DISPPARAMS one{&argument, nullptr, 1, 0};
  EXCEPINFO exception{};
  EXPECT_EQ(DISP_E_EXCEPTION, dispatch->Invoke(12, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                                               &one, nullptr, &exception, nullptr));
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrDescription);
  SysFreeString(exception.bstrHelpFile);

  DISPPARAMS none{nullptr, nullptr, 0, 0};
  mivo::com::unique_variant changed;
  ASSERT_EQ(S_OK, dispatch->Invoke(10, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none,
                                   changed.put(), nullptr, nullptr));
  EXPECT_EQ(VT_UI4, changed.vt);
  EXPECT_EQ(0u, changed.ulVal);

  testing::set_setting("mivousername", "alice");
  testing::set_setting("mivopassword", "alice-pass");
  EXPECT_EQ(S_OK, dispatch->Invoke(16, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none,
                                   nullptr, nullptr, nullptr));
}

class SinkTest : public ObjectTest {
 protected:
  com_ptr<IMeetingRequest> request_ = testing::create_meeting_request();
  testing::TestSettingsSink sink_;
  testing::TestSettingsSink other_;
};

TEST_F(SinkTest, AdviseHoldsOneReferenceOnTheSink) {
  EXPECT_EQ(S_OK, request_->Advise(SINK_SETTINGS, &sink_));
  EXPECT_EQ(1u, sink_.references);
  EXPECT_EQ(S_OK, request_->Advise(SINK_SETTINGS, &sink_));
  EXPECT_EQ(1u, sink_.references);

  EXPECT_EQ(S_OK, request_->Advise(SINK_SETTINGS, &other_));
  EXPECT_EQ(0u, sink_.references);
  EXPECT_EQ(1u, other_.references);

  EXPECT_EQ(S_OK, request_->UnAdvise(SINK_SETTINGS));
  EXPECT_EQ(0u, other_.references);
  EXPECT_EQ(S_FALSE, request_->UnAdvise(SINK_SETTINGS));
}

TEST_F(SinkTest, NullOrUnsuitableSinkLeavesNoneHeld) {
  EXPECT_EQ(E_FAIL, request_->Advise(SINK_SETTINGS, nullptr));
  EXPECT_EQ(S_OK, request_->Advise(SINK_SETTINGS, &sink_));
  EXPECT_EQ(E_FAIL, request_->Advise(SINK_SETTINGS, nullptr));
  EXPECT_EQ(0u, sink_.references);

  mivo::com::testing::counted_dispatch not_a_sink;
  EXPECT_EQ(E_FAIL, request_->Advise(SINK_SETTINGS, &not_a_sink));
  EXPECT_EQ(S_FALSE, request_->UnAdvise(SINK_SETTINGS));
}

TEST_F(SinkTest, OnBehalfIndexHasNoReceiver) {
  EXPECT_EQ(S_FALSE, request_->Advise(SINK_OnBehalf, &sink_));
  EXPECT_EQ(0u, sink_.references);
  EXPECT_EQ(E_FAIL, request_->UnAdvise(SINK_OnBehalf));
  EXPECT_EQ(S_OK, request_->Advise(SINK_SETTINGS, &sink_));
  EXPECT_EQ(E_FAIL, request_->UnAdvise(SINK_OnBehalf));
  EXPECT_EQ(1u, sink_.references);
  request_->UnAdvise(SINK_SETTINGS);
}

TEST_F(SinkTest, LastReleaseReleasesAHeldSink) {
  request_->Advise(SINK_SETTINGS, &sink_);
  request_.reset();
  EXPECT_EQ(0u, sink_.references);
}

std::wstring appointment(const wchar_t* subject, double start) {
  return std::wstring(L"{\"Duration\":30,\"OrStart\":") + std::to_wstring(start) +
         L",\"Recipients\":[{\"MailAddr\":\"bob@example.com\",\"Name\":\"Bob\"}],\"Start\":" +
         std::to_wstring(start) + L",\"Subject\":\"" + subject + L"\",\"recurrenceState\":0}\n";
}

class RecordsTest : public ObjectTest {
 protected:
  HRESULT set(bool item_open, const std::wstring& settings, const std::wstring& appointment) {
    const unique_bstr settings_text = mivo::com::make_bstr(settings.c_str());
    const unique_bstr appointment_text = mivo::com::make_bstr(appointment.c_str());
    return request_->SetSettings(item_open ? VARIANT_TRUE : VARIANT_FALSE, settings_text.get(),
                                 appointment_text.get());
  }
  ULONG changed() {
    ULONG flag = 0xdeadbeef;
    EXPECT_EQ(S_OK, request_->GetMeetingInfoChangedFlag(&flag));
    return flag;
  }

  com_ptr<IMeetingRequest> request_ = testing::create_meeting_request();
};

TEST_F(RecordsTest, ChangeFlagComparesTheAppointmentWithWhatWasOpened) {
  EXPECT_EQ(0u, changed());
  EXPECT_EQ(S_OK, set(false, L"", appointment(L"Planning", 46000.5)));
  EXPECT_EQ(1u, changed());

  EXPECT_EQ(S_OK, set(true, L"", appointment(L"Planning", 46000.5)));
  EXPECT_EQ(0u, changed());
  EXPECT_EQ(S_OK, set(false, L"", appointment(L"Planning", 46000.5)));
  EXPECT_EQ(0u, changed());
  EXPECT_EQ(S_OK, set(false, L"", appointment(L"Review", 46000.5)));
  EXPECT_EQ(1u, changed());
  // Two characters or fewer stand for no record.
  EXPECT_EQ(S_OK, set(false, L"{}", L"{}"));
  EXPECT_EQ(1u, changed());
}

TEST_F(RecordsTest, MailBodyIsNullBeforeASaveAndTheSettingsRecordCarriesTheStoredKey) {
  const std::wstring stored =
      L"{\"Duration\":30,\"IsRecurring\":0,\"MeetingKey\":\"8810020001\",\"OrStart\":46000.5,"
      L"\"Start\":46000.5,\"Subject\":\"Planning\",\"enterMeetMute\":true}\n";
  ASSERT_EQ(S_OK, set(true, stored, appointment(L"Planning", 46000.5)));

  BSTR body = reinterpret_cast<BSTR>(0xdeadbeef);
  BSTR description = nullptr;
  ASSERT_EQ(S_OK, request_->GetMailBody(&body, &description));
  const unique_bstr owned_description(description);
  EXPECT_EQ(nullptr, body);
  const std::string record = mivo::win::bstr_to_utf8(description);
  EXPECT_NE(std::string::npos, record.find("\"MeetingKey\":\"8810020001\"")) << record;
  EXPECT_NE(std::string::npos, record.find("\"MailAddr\":\"bob@example.com\"")) << record;

  BSTR only = nullptr;
  EXPECT_EQ(S_OK, request_->GetMailBody(nullptr, &only));
  const unique_bstr owned_only(only);
  EXPECT_EQ(record, mivo::win::bstr_to_utf8(only));
  EXPECT_EQ(S_OK, request_->GetMailBody(nullptr, nullptr));
}

TEST_F(RecordsTest, ChangeFlagRefusesANullPointer) {
  EXPECT_EQ(E_POINTER, request_->GetMeetingInfoChangedFlag(nullptr));
}

TEST_F(ObjectTest, OnLoginNeedsAStoredUserNameAndPasswordButNoSite) {
  const com_ptr<IMeetingRequest> request = testing::create_meeting_request();
  EXPECT_EQ(S_FALSE, request->OnLogin());
  testing::set_setting("mivousername", "alice");
  EXPECT_EQ(S_FALSE, request->OnLogin());
  testing::set_setting("mivopassword", "alice-pass");
  EXPECT_EQ(S_OK, request->OnLogin());
}

}  // namespace
}  // namespace mivo::scheduler

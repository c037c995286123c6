// The scheduler DLL as COM servers are used: registration with regsvr32,
// creation by ProgID, aggregation, IDispatch from the type library, the
// module's unload answer, and the object's own state (sink, records).
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "com/com_ptr.h"
#include "com/module.h"
#include "com/unique.h"
#include "registry_store.h"
#include "testing/scheduler_test_support.h"
#include "com/wide_text.h"

namespace mivo::scheduler {
namespace {

using mivo::com::com_ptr;
using mivo::com::unique_bstr;
using testing::RegistryKeyGuard;

constexpr wchar_t kClsid[] = L"{5CA02B27-5ADC-454E-BF57-C3693B6D4E64}";
constexpr wchar_t kAppId[] = L"{C68D264A-7EE1-4270-B5C4-09F06597B0B1}";
constexpr wchar_t kLibId[] = L"{036C8E69-2E30-4990-BACF-C871238A6DE2}";
constexpr wchar_t kRequestIid[] = L"{04178C67-98D8-45C2-8D10-33C204831CF9}";
constexpr wchar_t kSinkIid[] = L"{2FEA9C10-1F98-4C8D-8F86-0A8AF64FE646}";

std::wstring scheduler_path() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(testing::scheduler_library(), path, MAX_PATH);
  return path;
}

// Runs regsvr32 silently with `options` on the scheduler DLL; its exit code.
DWORD regsvr32(const std::wstring& options) {
  return testing::run_program(L"regsvr32.exe /s " + options + L" \"" + scheduler_path() + L"\"");
}

std::set<std::wstring> subkeys(HKEY root, const std::wstring& path) {
  std::set<std::wstring> names;
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
  wchar_t name[256];
  for (DWORD i = 0;; ++i) {
    DWORD length = 256;
    if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    names.insert(std::wstring(name, length));
  }
  RegCloseKey(key);
  return names;
}

// The registration of one classes root: HKLM\Software\Classes (machine) or
// HKCU\Software\Classes (per user). Every key it writes is saved first and
// put back afterwards.
class RegistrationTest : public ::testing::Test {
 public:
  struct Classes {
    HKEY root;
    std::wstring base;  // "Software\\Classes\\"
    std::wstring key(const std::wstring& path) const { return base + path; }
  };

 protected:
  static std::vector<std::wstring> written_keys() {
    return {L"MivoScheduler.MeetingRequest.1",
            L"MivoScheduler.MeetingRequest",
            std::wstring(L"CLSID\\") + kClsid,
            std::wstring(L"AppID\\") + kAppId,
            L"AppID\\MivoScheduler.DLL",
            std::wstring(L"TypeLib\\") + kLibId,
            std::wstring(L"Interface\\") + kRequestIid,
            std::wstring(L"Interface\\") + kSinkIid};
  }

  void SetUp() override {
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
      for (const auto& path : written_keys())
        guards_.push_back(std::make_unique<RegistryKeyGuard>(root, L"Software\\Classes\\" + path));
    }
  }

  void expect_registered(const Classes& c) {
    EXPECT_EQ(L"MeetingRequest Class",
              testing::string_value(c.root, c.key(L"MivoScheduler.MeetingRequest.1"), nullptr));
    EXPECT_EQ(kClsid, testing::string_value(c.root, c.key(L"MivoScheduler.MeetingRequest.1\\CLSID"),
                                            nullptr));
    EXPECT_EQ(std::set<std::wstring>{L"CLSID"},
              subkeys(c.root, c.key(L"MivoScheduler.MeetingRequest.1")));
    EXPECT_EQ(L"MeetingRequest Class",
              testing::string_value(c.root, c.key(L"MivoScheduler.MeetingRequest"), nullptr));
    EXPECT_EQ(kClsid, testing::string_value(c.root, c.key(L"MivoScheduler.MeetingRequest\\CLSID"),
                                            nullptr));
    EXPECT_EQ(
        L"MivoScheduler.MeetingRequest.1",
        testing::string_value(c.root, c.key(L"MivoScheduler.MeetingRequest\\CurVer"), nullptr));

    const std::wstring clsid = c.key(std::wstring(L"CLSID\\") + kClsid);
    EXPECT_EQ(L"MeetingRequest Class", testing::string_value(c.root, clsid, nullptr));
    EXPECT_EQ((std::set<std::wstring>{L"InprocServer32", L"ProgID", L"Programmable", L"TypeLib",
                                      L"VersionIndependentProgID"}),
              subkeys(c.root, clsid));
    EXPECT_EQ(std::vector<std::wstring>{L""}, testing::value_names(c.root, clsid));
    EXPECT_EQ(L"MivoScheduler.MeetingRequest.1",
              testing::string_value(c.root, clsid + L"\\ProgID", nullptr));
    EXPECT_EQ(L"MivoScheduler.MeetingRequest",
              testing::string_value(c.root, clsid + L"\\VersionIndependentProgID", nullptr));
    EXPECT_EQ(
        0, _wcsicmp(scheduler_path().c_str(),
                    testing::string_value(c.root, clsid + L"\\InprocServer32", nullptr).c_str()));
    EXPECT_EQ(L"Apartment",
              testing::string_value(c.root, clsid + L"\\InprocServer32", L"ThreadingModel"));
    EXPECT_EQ(kLibId, testing::string_value(c.root, clsid + L"\\TypeLib", nullptr));

    const std::wstring app_id = c.key(std::wstring(L"AppID\\") + kAppId);
    EXPECT_EQ(L"MivoScheduler", testing::string_value(c.root, app_id, nullptr));
    EXPECT_EQ(kAppId, testing::string_value(c.root, c.key(L"AppID\\MivoScheduler.DLL"), L"AppID"));

    const std::wstring library = c.key(std::wstring(L"TypeLib\\") + kLibId + L"\\1.0");
    EXPECT_EQ(L"MivoScheduler 1.0 Type Library", testing::string_value(c.root, library, nullptr));
    EXPECT_EQ(0, _wcsicmp(scheduler_path().c_str(),
                          testing::string_value(c.root, library + L"\\0\\win64", nullptr).c_str()));
    EXPECT_EQ(kLibId, testing::string_value(
                          c.root, c.key(std::wstring(L"Interface\\") + kRequestIid + L"\\TypeLib"),
                          nullptr));
    EXPECT_EQ(kLibId,
              testing::string_value(
                  c.root, c.key(std::wstring(L"Interface\\") + kSinkIid + L"\\TypeLib"), nullptr));
  }

  void expect_unregistered(const Classes& c) {
    for (const auto& path : written_keys())
      EXPECT_FALSE(testing::key_exists(c.root, c.key(path))) << mivo::com::to_utf8(path);
    EXPECT_TRUE(testing::key_exists(c.root, c.key(L"AppID")));
    EXPECT_TRUE(testing::key_exists(c.root, c.key(L"CLSID")));
  }

  std::vector<std::unique_ptr<RegistryKeyGuard>> guards_;
};

const RegistrationTest::Classes kMachine{HKEY_LOCAL_MACHINE, L"Software\\Classes\\"};
const RegistrationTest::Classes kUser{HKEY_CURRENT_USER, L"Software\\Classes\\"};

TEST_F(RegistrationTest, MachineRegistrationWritesTheScriptsAndTheTypeLibraryAndUndoesThem) {
  ASSERT_EQ(0u, regsvr32(L""));
  expect_registered(kMachine);
  EXPECT_FALSE(testing::key_exists(kUser.root, kUser.key(std::wstring(L"CLSID\\") + kClsid)));

  ASSERT_EQ(0u, regsvr32(L"/u"));
  expect_unregistered(kMachine);
}

TEST_F(RegistrationTest, PerUserRegistrationStaysInTheUsersClasses) {
  ASSERT_EQ(0u, regsvr32(L"/n /i:user"));
  expect_registered(kUser);
  EXPECT_FALSE(testing::key_exists(kMachine.root, kMachine.key(std::wstring(L"CLSID\\") + kClsid)));

  ASSERT_EQ(0u, regsvr32(L"/u /n /i:user"));
  expect_unregistered(kUser);
}

TEST_F(RegistrationTest, RegisteredClassIsCreatedByEitherProgId) {
  testing::ComApartment com;
  testing::SettingsKeyGuard settings;
  ASSERT_EQ(0u, regsvr32(L""));
  for (const wchar_t* prog_id :
       {L"MivoScheduler.MeetingRequest", L"MivoScheduler.MeetingRequest.1"}) {
    CLSID clsid{};
    ASSERT_EQ(S_OK, CLSIDFromProgID(prog_id, &clsid));
    EXPECT_TRUE(IsEqualCLSID(CLSID_MeetingRequest, clsid));
    com_ptr<IMeetingRequest> request;
    ASSERT_EQ(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IMeetingRequest,
                                     request.put_void()));
    EXPECT_EQ(S_FALSE, request->OnLogin());
  }
  regsvr32(L"/u");
}

using DllCanUnloadNowFn = HRESULT(STDAPICALLTYPE*)();

HRESULT can_unload_now() {
  const auto can_unload = mivo::com::get_proc_address<DllCanUnloadNowFn>(
      testing::scheduler_library(), "DllCanUnloadNow");
  return can_unload ? can_unload() : E_FAIL;
}

com_ptr<IClassFactory> class_factory() {
  com_ptr<IClassFactory> factory;
  THROW_IF_FAILED(mivo::com::class_object_from_library(
      testing::scheduler_library(), CLSID_MeetingRequest, IID_IClassFactory, factory.put_void()));
  return factory;
}

class ObjectTest : public ::testing::Test {
 protected:
  testing::ComApartment com_;
  testing::SettingsKeyGuard settings_;
};

TEST_F(ObjectTest, ModuleStaysWhileAnObjectOrALockLives) {
  EXPECT_EQ(S_OK, can_unload_now());
  {
    const com_ptr<IMeetingRequest> request = testing::create_meeting_request();
    EXPECT_EQ(S_FALSE, can_unload_now());
  }
  EXPECT_EQ(S_OK, can_unload_now());
  const com_ptr<IClassFactory> factory = class_factory();
  factory->LockServer(TRUE);
  EXPECT_EQ(S_FALSE, can_unload_now());
  factory->LockServer(FALSE);
  EXPECT_EQ(S_OK, can_unload_now());
}

// An outer object that aggregates a meeting request and answers every other
// interface through it.
class Outer final : public IUnknown {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown)) {
      *out = static_cast<IUnknown*>(this);
      AddRef();
      return S_OK;
    }
    return inner ? inner->QueryInterface(iid, out) : E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references; }
  STDMETHODIMP_(ULONG) Release() override { return --references; }

  ULONG references = 1;
  com_ptr<IUnknown> inner;
};

TEST_F(ObjectTest, AggregatedObjectDelegatesItsIdentityAndCountToTheOuterObject) {
  const com_ptr<IClassFactory> factory = class_factory();
  Outer outer;
  com_ptr<IMeetingRequest> refused;
  EXPECT_EQ(CLASS_E_NOAGGREGATION,
            factory->CreateInstance(&outer, IID_IMeetingRequest, refused.put_void()));
  ASSERT_EQ(S_OK, factory->CreateInstance(&outer, IID_IUnknown, outer.inner.put_void()));
  EXPECT_EQ(1u, outer.references);

  {
    com_ptr<IMeetingRequest> request;
    ASSERT_EQ(S_OK, outer.QueryInterface(IID_IMeetingRequest, request.put_void()));
    EXPECT_EQ(2u, outer.references);
    com_ptr<IUnknown> identity;
    ASSERT_EQ(S_OK, request->QueryInterface(IID_IUnknown, identity.put_void()));
    EXPECT_EQ(static_cast<IUnknown*>(&outer), identity.get());
    com_ptr<IDispatch> dispatch;
    EXPECT_EQ(S_OK, request->QueryInterface(IID_IDispatch, dispatch.put_void()));
    EXPECT_EQ(S_FALSE, request->OnLogin());
  }
  EXPECT_EQ(1u, outer.references);
  EXPECT_EQ(S_FALSE, can_unload_now());
  outer.inner.reset();
  EXPECT_EQ(S_OK, can_unload_now());
}

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

  Outer not_a_sink;
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
  const std::string record = mivo::com::bstr_to_utf8(description);
  EXPECT_NE(std::string::npos, record.find("\"MeetingKey\":\"8810020001\"")) << record;
  EXPECT_NE(std::string::npos, record.find("\"MailAddr\":\"bob@example.com\"")) << record;

  BSTR only = nullptr;
  EXPECT_EQ(S_OK, request_->GetMailBody(nullptr, &only));
  const unique_bstr owned_only(only);
  EXPECT_EQ(record, mivo::com::bstr_to_utf8(only));
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

// MivoOIURL.dll as a COM server under Wine: registration per machine and per
// user with regsvr32, creation by ProgID, aggregation, IDispatch from the
// embedded type library, the module's unload answer and the properties.
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "MivoOIURL.h"
#include "agent_test_support.h"
#include "com/com_ptr.h"
#include "com/module.h"
#include "com/unique.h"

using mivo::com::com_ptr;
using mivo::com::unique_bstr;
using mivo::com::unique_hkey;
using namespace mivo::oiurl::testing;

namespace {

constexpr wchar_t kClsid[] = L"{D1BB714A-BEEE-45FC-B32A-7430219BFDC5}";
constexpr wchar_t kAppId[] = L"{D4D2D3BF-26BD-48AF-BA06-4ABECBC336F2}";
constexpr wchar_t kLibId[] = L"{91AFD643-E1CD-495C-8CF2-778C620364B4}";

// Runs a program of the Wine prefix and returns its exit code.
DWORD run(const std::wstring& command_line) {
  std::wstring line = command_line;
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process))
    return static_cast<DWORD>(-1);
  mivo::com::unique_handle thread(process.hThread);
  mivo::com::unique_handle handle(process.hProcess);
  WaitForSingleObject(handle.get(), INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(handle.get(), &code);
  return code;
}

DWORD regsvr32(const std::wstring& options) {
  return run(L"regsvr32.exe /s " + options + L" \"" + agent_dll_path() + L"\"");
}

// Every key, value name and value below root\path as "path|name=value"
// lines (the key itself as "path|"), so that a subtree compares as a set.
void dump(HKEY root, const std::wstring& path, std::set<std::wstring>& out) {
  unique_hkey key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return;
  out.insert(path + L"|");
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD name_size = 256;
    wchar_t data[1024] = {};
    DWORD data_size = sizeof(data) - sizeof(wchar_t);
    DWORD type = 0;
    if (RegEnumValueW(key.get(), i, name, &name_size, nullptr, &type, reinterpret_cast<BYTE*>(data),
                      &data_size) != ERROR_SUCCESS)
      break;
    out.insert(path + L"|" + (name_size ? name : L"@") + L"=" + (type == REG_SZ ? data : L"?"));
  }
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD name_size = 256;
    if (RegEnumKeyExW(key.get(), i, name, &name_size, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    dump(root, path + L"\\" + name, out);
  }
}

// The keys the two registration scripts write, below a classes root.
std::set<std::wstring> script_keys(HKEY root, const std::wstring& classes) {
  std::set<std::wstring> keys;
  dump(root, classes + L"\\MivoOIURL.MivoOIURLObject", keys);
  dump(root, classes + L"\\MivoOIURL.MivoOIURLObject.1", keys);
  dump(root, classes + L"\\CLSID\\" + kClsid, keys);
  dump(root, classes + L"\\AppID\\" + kAppId, keys);
  dump(root, classes + L"\\AppID\\MivoOIURL.DLL", keys);
  return keys;
}

std::set<std::wstring> expected_script_keys(const std::wstring& c) {
  const std::wstring clsid = c + L"\\CLSID\\" + kClsid;
  const std::wstring module = agent_dll_path();
  return {
      c + L"\\MivoOIURL.MivoOIURLObject|",
      c + L"\\MivoOIURL.MivoOIURLObject|@=MivoOIURLObject Class",
      c + L"\\MivoOIURL.MivoOIURLObject\\CLSID|",
      c + L"\\MivoOIURL.MivoOIURLObject\\CLSID|@=" + kClsid,
      c + L"\\MivoOIURL.MivoOIURLObject\\CurVer|",
      c + L"\\MivoOIURL.MivoOIURLObject\\CurVer|@=MivoOIURL.MivoOIURLObject.1",
      c + L"\\MivoOIURL.MivoOIURLObject.1|",
      c + L"\\MivoOIURL.MivoOIURLObject.1|@=MivoOIURLObject Class",
      c + L"\\MivoOIURL.MivoOIURLObject.1\\CLSID|",
      c + L"\\MivoOIURL.MivoOIURLObject.1\\CLSID|@=" + kClsid,
      clsid + L"|",
      clsid + L"|@=MivoOIURLObject Class",
      clsid + L"|AppID=" + kAppId,
      clsid + L"\\ProgID|",
      clsid + L"\\ProgID|@=MivoOIURL.MivoOIURLObject.1",
      clsid + L"\\VersionIndependentProgID|",
      clsid + L"\\VersionIndependentProgID|@=MivoOIURL.MivoOIURLObject",
      clsid + L"\\Programmable|",
      clsid + L"\\InprocServer32|",
      clsid + L"\\InprocServer32|@=" + module,
      clsid + L"\\InprocServer32|ThreadingModel=Both",
      clsid + L"\\TypeLib|",
      clsid + L"\\TypeLib|@=" + kLibId,
      c + L"\\AppID\\" + kAppId + L"|",
      c + L"\\AppID\\" + kAppId + L"|@=MivoOIURL",
      c + L"\\AppID\\MivoOIURL.DLL|",
      c + L"\\AppID\\MivoOIURL.DLL|AppID=" + kAppId,
  };
}

bool key_exists(HKEY root, const std::wstring& path) {
  unique_hkey key;
  return RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

std::wstring to_text(const std::set<std::wstring>& keys) {
  std::wstring text;
  for (const auto& k : keys) text += k + L"\n";
  return text;
}

class ComInitialised : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  }
  void TearDown() override { CoUninitialize(); }
};

using Registration = ComInitialised;

TEST_F(Registration, MachineRegistrationWritesExactlyTheScriptsAndUnregistrationKeepsAppID) {
  const std::wstring classes = L"Software\\Classes";
  ASSERT_EQ(regsvr32(L"/u"), 0u);
  ASSERT_EQ(regsvr32(L""), 0u);
  EXPECT_EQ(to_text(script_keys(HKEY_LOCAL_MACHINE, classes)),
            to_text(expected_script_keys(classes)));
  EXPECT_TRUE(
      key_exists(HKEY_LOCAL_MACHINE, classes + L"\\TypeLib\\" + kLibId + L"\\1.0\\0\\win64"));

  // Created by ProgID through the registry, as the scheduler does.
  CLSID clsid = {};
  ASSERT_HRESULT_SUCCEEDED(CLSIDFromProgID(L"MivoOIURL.MivoOIURLObject", &clsid));
  EXPECT_TRUE(IsEqualCLSID(clsid, CLSID_MivoOIURLObject));
  com_ptr<IMivoOIURLObject> agent;
  ASSERT_HRESULT_SUCCEEDED(
      CoCreateInstance(clsid, nullptr, 0x17, IID_IMivoOIURLObject, agent.put_void()));
  LONG timeout = 0;
  EXPECT_HRESULT_SUCCEEDED(agent->get_TimeOut(&timeout));
  EXPECT_EQ(timeout, 30);
  agent.reset();

  ASSERT_EQ(regsvr32(L"/u"), 0u);
  EXPECT_TRUE(script_keys(HKEY_LOCAL_MACHINE, classes).empty());
  EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, classes + L"\\AppID"));
  EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, classes + L"\\TypeLib\\" + kLibId));
}

TEST_F(Registration, UserRegistrationWritesOnlyTheCurrentUsersClasses) {
  const std::wstring classes = L"Software\\Classes";
  ASSERT_EQ(regsvr32(L"/u"), 0u);
  ASSERT_EQ(regsvr32(L"/u /n /i:user"), 0u);
  ASSERT_EQ(regsvr32(L"/n /i:USER"), 0u);
  EXPECT_EQ(to_text(script_keys(HKEY_CURRENT_USER, classes)),
            to_text(expected_script_keys(classes)));
  EXPECT_TRUE(script_keys(HKEY_LOCAL_MACHINE, classes).empty());
  EXPECT_TRUE(key_exists(HKEY_CURRENT_USER, classes + L"\\TypeLib\\" + kLibId));
  EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, classes + L"\\TypeLib\\" + kLibId));

  // Wine's HKEY_CLASSES_ROOT does not merge the user's classes, so creation
  // by ProgID is checked with the machine registration only.
  ASSERT_EQ(regsvr32(L"/u /n /i:user"), 0u);
  EXPECT_TRUE(script_keys(HKEY_CURRENT_USER, classes).empty());
  EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, classes + L"\\TypeLib\\" + kLibId));
}

TEST_F(Registration, RegistrarComesFromTheSystemFolderWhateverLiesOnTheSearchPath) {
  agent_library library;
  const planted_libraries planted({L"atl"});
  const auto install = mivo::com::get_proc_address<HRESULT(STDAPICALLTYPE*)(BOOL, LPCWSTR)>(
      library.get(), "DllInstall");
  ASSERT_NE(install, nullptr);
  const std::wstring classes = L"Software\\Classes";
  EXPECT_EQ(install(TRUE, L"user"), S_OK);
  EXPECT_EQ(to_text(script_keys(HKEY_CURRENT_USER, classes)),
            to_text(expected_script_keys(classes)));
  EXPECT_EQ(install(FALSE, L"user"), S_OK);
}

using ComObject = ComInitialised;

TEST_F(ComObject, ClassFactoryRefusesAnOuterObjectAndUnknownClasses) {
  agent_library dll;
  com_ptr<IClassFactory> factory;
  ASSERT_HRESULT_SUCCEEDED(mivo::com::class_object_from_library(
      dll.get(), CLSID_MivoOIURLObject, IID_IClassFactory, factory.put_void()));
  com_ptr<IUnknown> outer = dll.create().query<IUnknown>();
  void* out = reinterpret_cast<void*>(0xdeadbeef);
  EXPECT_EQ(factory->CreateInstance(outer.get(), IID_IUnknown, &out), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(out, nullptr);

  com_ptr<IClassFactory> other;
  EXPECT_EQ(mivo::com::class_object_from_library(dll.get(), IID_IMivoOIURLObject, IID_IClassFactory,
                                                 other.put_void()),
            CLASS_E_CLASSNOTAVAILABLE);
}

TEST_F(ComObject, AnswersItsInterfacesWithOneIdentity) {
  agent_library dll;
  com_ptr<IMivoOIURLObject> agent = dll.create();
  com_ptr<IUnknown> unknown = agent.query<IUnknown>();
  com_ptr<IDispatch> dispatch = agent.query<IDispatch>();
  EXPECT_EQ(dispatch.query<IUnknown>(), unknown);
  EXPECT_EQ(static_cast<void*>(dispatch.get()), static_cast<void*>(agent.get()));
  void* sink = reinterpret_cast<void*>(0xdeadbeef);
  EXPECT_EQ(agent->QueryInterface(IID_IMivoOIURLSink, &sink), E_NOINTERFACE);
  EXPECT_EQ(sink, nullptr);
  EXPECT_FALSE(agent.try_query<IClassFactory>());
}

TEST_F(ComObject, DllCanUnloadNowWhileAnObjectLivesAndAfter) {
  agent_library dll;
  EXPECT_EQ(dll.can_unload_now(), S_OK);
  com_ptr<IMivoOIURLObject> agent = dll.create();
  EXPECT_EQ(dll.can_unload_now(), S_FALSE);
  agent.reset();
  EXPECT_EQ(dll.can_unload_now(), S_OK);

  com_ptr<IClassFactory> factory;
  ASSERT_HRESULT_SUCCEEDED(mivo::com::class_object_from_library(
      dll.get(), CLSID_MivoOIURLObject, IID_IClassFactory, factory.put_void()));
  factory->LockServer(TRUE);
  EXPECT_EQ(dll.can_unload_now(), S_FALSE);
  factory->LockServer(FALSE);
  EXPECT_EQ(dll.can_unload_now(), S_OK);
}

TEST_F(ComObject, DispatchByNameUsesTheTypeLibrary) {
  agent_library dll;
  com_ptr<IDispatch> agent = dll.create().query<IDispatch>();
  UINT count = 0;
  ASSERT_HRESULT_SUCCEEDED(agent->GetTypeInfoCount(&count));
  EXPECT_EQ(count, 1u);

  struct named {
    const wchar_t* name;
    DISPID id;
  } names[] = {{L"TimeOut", 0x60020000},  {L"ParentMsgWindow", 0x60020002},
               {L"ItemData", 0x60020004}, {L"Get", 0x60020006},
               {L"Post", 0x60020007},     {L"Put", 0x60020008},
               {L"Delete", 0x60020009},   {L"Cancel", 0x6002000A},
               {L"checkurl", 0x6002000B}};
  for (const auto& n : names) {
    LPOLESTR name = const_cast<LPOLESTR>(n.name);
    DISPID id = 0;
    EXPECT_HRESULT_SUCCEEDED(agent->GetIDsOfNames(IID_NULL, &name, 1, 0, &id)) << n.name;
    EXPECT_EQ(id, n.id) << n.name;
  }

  VARIANTARG value;
  VariantInit(&value);
  value.vt = VT_I4;
  value.lVal = 7;
  DISPID put_id = DISPID_PROPERTYPUT;
  DISPPARAMS put = {&value, &put_id, 1, 1};
  ASSERT_HRESULT_SUCCEEDED(agent->Invoke(0x60020000, IID_NULL, 0, DISPATCH_PROPERTYPUT, &put,
                                         nullptr, nullptr, nullptr));
  mivo::com::unique_variant result;
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  ASSERT_HRESULT_SUCCEEDED(agent->Invoke(0x60020000, IID_NULL, 0, DISPATCH_PROPERTYGET, &none,
                                         result.put(), nullptr, nullptr));
  EXPECT_EQ(result.vt, VT_I4);
  EXPECT_EQ(result.lVal, 7);
  EXPECT_HRESULT_SUCCEEDED(
      agent->Invoke(0x6002000A, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr));
  EXPECT_EQ(agent->Invoke(0x60020000, IID_IMivoOIURLObject, 0, DISPATCH_PROPERTYGET, &none,
                          result.put(), nullptr, nullptr),
            DISP_E_UNKNOWNINTERFACE);
}

TEST_F(ComObject, TypeLibraryDescribesTheAgent) {
  com_ptr<ITypeLib> library;
  ASSERT_HRESULT_SUCCEEDED(LoadTypeLibEx(agent_dll_path().c_str(), REGKIND_NONE, library.put()));
  TLIBATTR* attributes = nullptr;
  ASSERT_HRESULT_SUCCEEDED(library->GetLibAttr(&attributes));
  EXPECT_TRUE(IsEqualGUID(attributes->guid, LIBID_MivoOIURLLib));
  EXPECT_EQ(attributes->wMajorVerNum, 1);
  EXPECT_EQ(attributes->wMinorVerNum, 0);
  library->ReleaseTLibAttr(attributes);

  const auto help = [&](INT index) {
    BSTR name = nullptr;
    BSTR doc = nullptr;
    library->GetDocumentation(index, &name, &doc, nullptr, nullptr);
    unique_bstr owned_name(name), owned_doc(doc);
    return narrow(doc ? doc : L"") + "/" + narrow(name ? name : L"");
  };
  EXPECT_EQ(help(-1), "MivoOIURL 1.0 Type Library/MivoOIURLLib");

  com_ptr<ITypeInfo> sink;
  ASSERT_HRESULT_SUCCEEDED(library->GetTypeInfoOfGuid(IID_IMivoOIURLSink, sink.put()));
  TYPEATTR* sink_attr = nullptr;
  ASSERT_HRESULT_SUCCEEDED(sink->GetTypeAttr(&sink_attr));
  // No base interface: URLReturn is the only slot.
  EXPECT_EQ(sink_attr->cImplTypes, 0);
  EXPECT_EQ(sink_attr->cFuncs, 1);
  sink->ReleaseTypeAttr(sink_attr);

  com_ptr<ITypeInfo> coclass;
  ASSERT_HRESULT_SUCCEEDED(library->GetTypeInfoOfGuid(CLSID_MivoOIURLObject, coclass.put()));
  BSTR doc = nullptr;
  ASSERT_HRESULT_SUCCEEDED(
      coclass->GetDocumentation(MEMBERID_NIL, nullptr, &doc, nullptr, nullptr));
  unique_bstr owned(doc);
  EXPECT_EQ(narrow(doc), "MivoOIURLObject Class");
}

TEST_F(ComObject, PropertiesKeepTheirValuesAsDocumented) {
  agent_library dll;
  com_ptr<IMivoOIURLObject> agent = dll.create();
  LONG value = 0;
  ASSERT_HRESULT_SUCCEEDED(agent->put_TimeOut(-1));
  ASSERT_HRESULT_SUCCEEDED(agent->get_TimeOut(&value));
  // -1 s is 4,294,966,296 ms, read back through a signed division.
  EXPECT_EQ(value, static_cast<LONG>(4294966296u) / 1000);

  ASSERT_HRESULT_SUCCEEDED(agent->put_ParentMsgWindow(-123456));
  ASSERT_HRESULT_SUCCEEDED(agent->get_ParentMsgWindow(&value));
  EXPECT_EQ(value, -123456);

  ASSERT_HRESULT_SUCCEEDED(agent->put_ItemData(42));
  ASSERT_HRESULT_SUCCEEDED(agent->get_ItemData(&value));
  EXPECT_EQ(value, 42);

  // Getters with no out-parameter succeed without writing.
  EXPECT_EQ(agent->get_TimeOut(nullptr), S_OK);
  EXPECT_EQ(agent->get_ItemData(nullptr), S_OK);

  BSTR untouched = reinterpret_cast<BSTR>(0xdeadbeef);
  unique_bstr url(SysAllocString(L"http://127.0.0.1/"));
  EXPECT_EQ(agent->CheckURL(url.get(), &untouched), S_OK);
  EXPECT_EQ(untouched, reinterpret_cast<BSTR>(0xdeadbeef));
}

}  // namespace

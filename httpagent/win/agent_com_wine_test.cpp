// MivoOIURL.dll as a COM server under Wine: the conformance suite every
// server runs, the delivery window's birth, IDispatch names from the embedded
// type library, and the properties.
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "MivoOIURL.h"
#include "agent_test_support.h"
#include "com/com_ptr.h"
#include "com/module.h"
#include "com/testing/apartment.h"
#include "com/testing/server_conformance.h"
#include "com/unique.h"
#include "win/wide_text.h"

using mivo::com::com_ptr;
using mivo::com::unique_bstr;
using mivo::com::testing::ComServerConformance;
using namespace mivo::oiurl::testing;

namespace {

mivo::com::testing::server_description agent_description() {
  return {L"MivoOIURL.dll",
          CLSID_MivoOIURLObject,
          IID_IMivoOIURLObject,
          L"MivoOIURLObject Class",
          L"MivoOIURL.MivoOIURLObject",
          L"MivoOIURL.MivoOIURLObject.1",
          L"Both",
          {0xD4D2D3BF, 0x26BD, 0x48AF, {0xBA, 0x06, 0x4A, 0xBE, 0xCB, 0xC3, 0x36, 0xF2}},
          L"MivoOIURL",
          L"MivoOIURL.DLL",
          true,
          LIBID_MivoOIURLLib,
          L"MivoOIURL 1.0 Type Library",
          {IID_IMivoOIURLObject},
          false,
          {}};
}

INSTANTIATE_TEST_SUITE_P(MivoOIURL, ComServerConformance, ::testing::Values(agent_description()));

class ComObject : public ::testing::Test {
 protected:
  mivo::com::testing::com_apartment com_;
};

HWND delivery_window() {
  return FindWindowExW(HWND_MESSAGE, nullptr, L"MivoOIURLDelivery", nullptr);
}

TEST_F(ComObject, DeliveryWindowComesWithTheFirstObjectOnItsThreadAndKeepsTheModule) {
  HMODULE library = LoadLibraryW(agent_dll_path().c_str());
  ASSERT_NE(nullptr, library);
  EXPECT_EQ(nullptr, delivery_window());

  com_ptr<IClassFactory> factory;
  ASSERT_HRESULT_SUCCEEDED(mivo::com::class_object_from_library(
      library, CLSID_MivoOIURLObject, IID_IClassFactory, factory.put_void()));
  com_ptr<IMivoOIURLObject> agent;
  ASSERT_HRESULT_SUCCEEDED(
      factory->CreateInstance(nullptr, IID_IMivoOIURLObject, agent.put_void()));
  const HWND window = delivery_window();
  ASSERT_NE(nullptr, window);
  EXPECT_EQ(GetCurrentThreadId(), GetWindowThreadProcessId(window, nullptr));

  // Its window procedure and timer live in the module: the host's last
  // FreeLibrary does not unload it.
  agent.reset();
  factory.reset();
  EXPECT_EQ(S_OK,
            mivo::com::get_proc_address<HRESULT(STDAPICALLTYPE*)()>(library, "DllCanUnloadNow")());
  FreeLibrary(library);
  EXPECT_EQ(library, GetModuleHandleW(L"MivoOIURL.dll"));
  EXPECT_TRUE(IsWindow(window));
}

TEST_F(ComObject, DeliveryWindowIsMadeAgainWhenItsThreadHasEnded) {
  const agent_library dll;
  std::thread first([&] { dll.create(); });
  first.join();
  // The window went with the thread that made it.
  EXPECT_EQ(nullptr, delivery_window());

  const com_ptr<IMivoOIURLObject> agent = dll.create();
  const HWND window = delivery_window();
  ASSERT_NE(nullptr, window);
  EXPECT_EQ(GetCurrentThreadId(), GetWindowThreadProcessId(window, nullptr));
  // Results reach this thread again (nothing listens on the discard port).
  recording_sink sink;
  const unique_bstr url = mivo::com::make_bstr(L"http://127.0.0.1:9/");
  ASSERT_EQ(S_OK, agent->Get(url.get(), nullptr, &sink));
  ASSERT_TRUE(pump_until([&] { return !sink.calls.empty(); }));
  EXPECT_EQ(GetCurrentThreadId(), sink.calls[0].thread_id);
}

TEST_F(ComObject, RegistrarComesFromTheSystemFolderWhateverLiesOnTheSearchPath) {
  const agent_library library;
  const planted_libraries planted({L"atl"});
  const auto install = mivo::com::get_proc_address<HRESULT(STDAPICALLTYPE*)(BOOL, LPCWSTR)>(
      library.get(), "DllInstall");
  ASSERT_NE(install, nullptr);
  const std::wstring server = std::wstring(L"Software\\Classes\\CLSID\\") +
                              L"{D1BB714A-BEEE-45FC-B32A-7430219BFDC5}\\InprocServer32";
  ASSERT_EQ(install(TRUE, L"user"), S_OK);
  wchar_t path[MAX_PATH] = {};
  DWORD size = sizeof(path);
  EXPECT_EQ(ERROR_SUCCESS, RegGetValueW(HKEY_CURRENT_USER, server.c_str(), nullptr, RRF_RT_REG_SZ,
                                        nullptr, path, &size));
  EXPECT_EQ(agent_dll_path(), path);
  EXPECT_EQ(install(FALSE, L"user"), S_OK);
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
    return mivo::win::to_utf8(doc ? doc : L"") + "/" + mivo::win::to_utf8(name ? name : L"");
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
  EXPECT_EQ(mivo::win::to_utf8(doc), "MivoOIURLObject Class");
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

// The conformance suite of in-process COM servers.
#include "server_conformance.h"

#include <objbase.h>
#include <oleauto.h>

#include <memory>
#include <set>

#include "com/com_ptr.h"
#include "com/module.h"
#include "win/wide_text.h"
#include "apartment.h"
#include "expect.h"
#include "program.h"
#include "registry.h"

namespace mivo::com::testing {

void PrintTo(const server_description& server, std::ostream* out) {
  *out << win::to_utf8(server.file_name);
}

namespace {

constexpr wchar_t kClasses[] = L"Software\\Classes\\";

std::wstring text_of(const GUID& guid) {
  wchar_t text[40] = {};
  StringFromGUID2(guid, text, 40);
  return text;
}

std::wstring lines_text(const std::set<std::wstring>& lines) {
  std::wstring text;
  for (const auto& line : lines) text += line + L"\n";
  return text;
}

}  // namespace

void ComServerConformance::SetUp() {
  library_ = LoadLibraryW(path().c_str());
  ASSERT_NE(nullptr, library_) << win::to_utf8(path());
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
    for (const auto& key : class_keys())
      guards_.push_back(std::make_unique<registry_key_guard>(root, kClasses + key));
  }
  for (const auto& [root, key] : server().other_keys)
    guards_.push_back(std::make_unique<registry_key_guard>(root, key));
}

void ComServerConformance::TearDown() { guards_.clear(); }

std::wstring ComServerConformance::path() const {
  return program_folder() + L"\\" + server().file_name;
}

DWORD ComServerConformance::regsvr32(const std::wstring& options) const {
  return run_program(L"regsvr32.exe /s " + options + L" \"" + path() + L"\"");
}

HRESULT ComServerConformance::can_unload_now() const {
  const auto can_unload = get_proc_address<HRESULT(STDAPICALLTYPE*)()>(library_, "DllCanUnloadNow");
  return can_unload ? can_unload() : E_FAIL;
}

HRESULT ComServerConformance::install(BOOL install, const wchar_t* command_line) const {
  const auto dll_install =
      get_proc_address<HRESULT(STDAPICALLTYPE*)(BOOL, LPCWSTR)>(library_, "DllInstall");
  return dll_install ? dll_install(install, command_line) : E_FAIL;
}

com_ptr<IClassFactory> ComServerConformance::factory() const {
  com_ptr<IClassFactory> factory;
  EXPECT_HR(S_OK, class_object_from_library(library_, server().clsid, IID_IClassFactory,
                                            factory.put_void()));
  return factory;
}

com_ptr<IUnknown> ComServerConformance::create() const {
  com_ptr<IUnknown> object;
  const com_ptr<IClassFactory> classes = factory();
  if (classes) {
    EXPECT_HR(S_OK,
              classes->CreateInstance(nullptr, server().default_interface, object.put_void()));
  }
  return object;
}

std::vector<std::wstring> ComServerConformance::class_keys() const {
  std::vector<std::wstring> keys = script_keys();
  keys.push_back(L"TypeLib\\" + text_of(server().library_id));
  for (const IID& iid : server().interfaces) keys.push_back(L"Interface\\" + text_of(iid));
  return keys;
}

std::vector<std::wstring> ComServerConformance::script_keys() const {
  return {server().prog_id, server().versioned_prog_id, L"CLSID\\" + text_of(server().clsid),
          L"AppID\\" + text_of(server().app_id), L"AppID\\" + server().module_app_key};
}

std::set<std::wstring> ComServerConformance::written_lines(HKEY root) const {
  std::set<std::wstring> lines;
  for (const auto& key : script_keys()) lines.merge(registry_lines(root, kClasses + key));
  return lines;
}

std::set<std::wstring> ComServerConformance::expected_lines() const {
  const server_description& s = server();
  const std::wstring c = kClasses;
  const std::wstring clsid = c + L"CLSID\\" + text_of(s.clsid);
  const std::wstring app_id = c + L"AppID\\" + text_of(s.app_id);
  const std::wstring module_app = c + L"AppID\\" + s.module_app_key;
  std::set<std::wstring> lines = {
      c + s.prog_id + L"|",
      c + s.prog_id + L"|@=" + s.class_name,
      c + s.prog_id + L"\\CLSID|",
      c + s.prog_id + L"\\CLSID|@=" + text_of(s.clsid),
      c + s.prog_id + L"\\CurVer|",
      c + s.prog_id + L"\\CurVer|@=" + s.versioned_prog_id,
      c + s.versioned_prog_id + L"|",
      c + s.versioned_prog_id + L"|@=" + s.class_name,
      c + s.versioned_prog_id + L"\\CLSID|",
      c + s.versioned_prog_id + L"\\CLSID|@=" + text_of(s.clsid),
      clsid + L"|",
      clsid + L"|@=" + s.class_name,
      clsid + L"\\ProgID|",
      clsid + L"\\ProgID|@=" + s.versioned_prog_id,
      clsid + L"\\VersionIndependentProgID|",
      clsid + L"\\VersionIndependentProgID|@=" + s.prog_id,
      clsid + L"\\Programmable|",
      clsid + L"\\InprocServer32|",
      clsid + L"\\InprocServer32|@=" + path(),
      clsid + L"\\InprocServer32|ThreadingModel=" + s.threading_model,
      clsid + L"\\TypeLib|",
      clsid + L"\\TypeLib|@=" + text_of(s.library_id),
      app_id + L"|",
      app_id + L"|@=" + s.app_name,
      module_app + L"|",
      module_app + L"|AppID=" + text_of(s.app_id),
  };
  if (s.class_names_app_id) lines.insert(clsid + L"|AppID=" + text_of(s.app_id));
  return lines;
}

void ComServerConformance::expect_registered(HKEY root) const {
  EXPECT_EQ(lines_text(expected_lines()), lines_text(written_lines(root)));
  const std::wstring library = kClasses + (L"TypeLib\\" + text_of(server().library_id));
  EXPECT_EQ(server().library_name, string_value(root, library + L"\\1.0", nullptr));
  EXPECT_EQ(path(), string_value(root, library + L"\\1.0\\0\\win64", nullptr));
  for (const IID& iid : server().interfaces) {
    EXPECT_EQ(
        text_of(server().library_id),
        string_value(root, kClasses + (L"Interface\\" + text_of(iid)) + L"\\TypeLib", nullptr))
        << win::to_utf8(text_of(iid));
  }
  for (const auto& [other_root, key] : server().other_keys)
    EXPECT_TRUE(key_exists(other_root, key)) << win::to_utf8(key);
}

void ComServerConformance::expect_unregistered(HKEY root) const {
  for (const auto& key : class_keys())
    EXPECT_FALSE(key_exists(root, kClasses + key)) << win::to_utf8(key);
  // Shared roots the scripts mark NoRemove stay.
  EXPECT_TRUE(key_exists(root, std::wstring(kClasses) + L"AppID"));
  EXPECT_TRUE(key_exists(root, std::wstring(kClasses) + L"CLSID"));
  for (const auto& [other_root, key] : server().other_keys)
    EXPECT_FALSE(key_exists(other_root, key)) << win::to_utf8(key);
}

bool ComServerConformance::registered_in(HKEY root) const {
  return key_exists(root, kClasses + (L"CLSID\\" + text_of(server().clsid)));
}

namespace {

// An outer object that aggregates the server's object and answers every
// other interface through it.
class outer_object final : public IUnknown {
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

}  // namespace

TEST_P(ComServerConformance, MachineRegistrationWritesTheScriptsAndTheTypeLibraryAndUndoesThem) {
  ASSERT_EQ(0u, regsvr32(L""));
  expect_registered(HKEY_LOCAL_MACHINE);
  EXPECT_FALSE(registered_in(HKEY_CURRENT_USER));
  ASSERT_EQ(0u, regsvr32(L"/u"));
  expect_unregistered(HKEY_LOCAL_MACHINE);
  // Unregistering what is not registered succeeds.
  EXPECT_EQ(0u, regsvr32(L"/u"));
}

TEST_P(ComServerConformance, PerUserRegistrationStaysInTheUsersClasses) {
  ASSERT_EQ(0u, regsvr32(L"/n /i:USER"));
  expect_registered(HKEY_CURRENT_USER);
  EXPECT_FALSE(registered_in(HKEY_LOCAL_MACHINE));
  ASSERT_EQ(0u, regsvr32(L"/u /n /i:user"));
  expect_unregistered(HKEY_CURRENT_USER);
}

TEST_P(ComServerConformance, DllInstallRegistersPerUserOnlyForTheWholeWordUser) {
  com_apartment com;
  ASSERT_HR(S_OK, install(TRUE, L"users"));
  EXPECT_TRUE(registered_in(HKEY_LOCAL_MACHINE));
  EXPECT_FALSE(registered_in(HKEY_CURRENT_USER));
  ASSERT_HR(S_OK, install(FALSE, L"users"));
  EXPECT_FALSE(registered_in(HKEY_LOCAL_MACHINE));

  ASSERT_HR(S_OK, install(TRUE, L"User"));
  EXPECT_TRUE(registered_in(HKEY_CURRENT_USER));
  EXPECT_FALSE(registered_in(HKEY_LOCAL_MACHINE));
  ASSERT_HR(S_OK, install(FALSE, L"User"));
  EXPECT_FALSE(registered_in(HKEY_CURRENT_USER));
}

// Wine's HKEY_CLASSES_ROOT does not show per-user classes, so creation by
// ProgID is checked with the machine registration.
TEST_P(ComServerConformance, RegisteredClassIsCreatedByEitherProgId) {
  com_apartment com;
  ASSERT_EQ(0u, regsvr32(L""));
  for (const std::wstring& prog_id : {server().prog_id, server().versioned_prog_id}) {
    CLSID clsid{};
    ASSERT_HR(S_OK, CLSIDFromProgID(prog_id.c_str(), &clsid)) << win::to_utf8(prog_id);
    EXPECT_TRUE(IsEqualCLSID(server().clsid, clsid));
    com_ptr<IUnknown> object;
    EXPECT_HR(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER,
                                     server().default_interface, object.put_void()));
  }
  regsvr32(L"/u");
}

TEST_P(ComServerConformance, ClassFactoryServesOnlyItsClassAndFollowsTheAggregationRule) {
  com_apartment com;
  com_ptr<IClassFactory> other;
  EXPECT_HR(CLASS_E_CLASSNOTAVAILABLE,
            class_object_from_library(library(), server().default_interface, IID_IClassFactory,
                                      other.put_void()));

  const com_ptr<IClassFactory> classes = factory();
  ASSERT_TRUE(classes);
  outer_object outer;
  void* refused = reinterpret_cast<void*>(0xdeadbeef);
  // An aggregate must be asked for its inner IUnknown.
  EXPECT_HR(CLASS_E_NOAGGREGATION,
            classes->CreateInstance(&outer, server().default_interface, &refused));
  EXPECT_EQ(nullptr, refused);
  const HRESULT aggregated = classes->CreateInstance(&outer, IID_IUnknown, outer.inner.put_void());
  if (!server().aggregatable) {
    EXPECT_HR(CLASS_E_NOAGGREGATION, aggregated);
    return;
  }
  ASSERT_HR(S_OK, aggregated);
  EXPECT_EQ(1u, outer.references);
  {
    com_ptr<IUnknown> inner_interface;
    ASSERT_HR(S_OK, outer.QueryInterface(server().default_interface, inner_interface.put_void()));
    EXPECT_EQ(2u, outer.references);
    com_ptr<IUnknown> identity;
    ASSERT_HR(S_OK, inner_interface->QueryInterface(IID_IUnknown, identity.put_void()));
    EXPECT_EQ(static_cast<IUnknown*>(&outer), identity.get());
  }
  EXPECT_EQ(1u, outer.references);
  EXPECT_HR(S_FALSE, can_unload_now());
  outer.inner.reset();
  EXPECT_HR(S_OK, can_unload_now());
}

TEST_P(ComServerConformance, ModuleStaysWhileAnObjectOrALockLives) {
  com_apartment com;
  EXPECT_HR(S_OK, can_unload_now());
  {
    const com_ptr<IUnknown> object = create();
    ASSERT_TRUE(object);
    EXPECT_HR(S_FALSE, can_unload_now());
  }
  EXPECT_HR(S_OK, can_unload_now());
  const com_ptr<IClassFactory> classes = factory();
  ASSERT_TRUE(classes);
  classes->LockServer(TRUE);
  EXPECT_HR(S_FALSE, can_unload_now());
  classes->LockServer(FALSE);
  EXPECT_HR(S_OK, can_unload_now());
}

TEST_P(ComServerConformance, ObjectHasOneIdentityAndTheTypeInformationOfItsLibrary) {
  com_apartment com;
  const com_ptr<IUnknown> object = create();
  ASSERT_TRUE(object);
  const com_ptr<IDispatch> dispatch = object.query<IDispatch>();
  EXPECT_EQ(object.query<IUnknown>(), dispatch.query<IUnknown>());
  void* none = reinterpret_cast<void*>(0xdeadbeef);
  EXPECT_HR(E_NOINTERFACE, object->QueryInterface(IID_IClassFactory, &none));
  EXPECT_EQ(nullptr, none);

  UINT count = 0;
  ASSERT_HR(S_OK, dispatch->GetTypeInfoCount(&count));
  EXPECT_EQ(1u, count);
  com_ptr<ITypeInfo> info;
  ASSERT_HR(S_OK, dispatch->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.put()));
  com_ptr<ITypeLib> library;
  UINT index = 0;
  ASSERT_HR(S_OK, info->GetContainingTypeLib(library.put(), &index));
  TLIBATTR* attributes = nullptr;
  ASSERT_HR(S_OK, library->GetLibAttr(&attributes));
  EXPECT_TRUE(IsEqualGUID(server().library_id, attributes->guid));
  EXPECT_EQ(1, attributes->wMajorVerNum);
  EXPECT_EQ(0, attributes->wMinorVerNum);
  library->ReleaseTLibAttr(attributes);
}

}  // namespace mivo::com::testing

// Test support for the agent: recording sink, message pump, DLL loading,
// registry settings.
#include "agent_test_support.h"

#include <stdexcept>

#include "com/module.h"
#include "com/testing/program.h"
#include "com/result.h"

namespace mivo::oiurl::testing {

STDMETHODIMP recording_sink::URLReturn(oiurl_return_type lType, unsigned char* pData,
                                       LONG lDateLen) {
  sink_call call{};
  call.type = lType;
  call.data_null = pData == nullptr;
  call.length = lDateLen;
  if (pData && lDateLen > 0) call.bytes.assign(reinterpret_cast<const char*>(pData), lDateLen);
  call.zero_after = pData && pData[lDateLen > 0 ? lDateLen : 0] == 0;
  call.thread_id = GetCurrentThreadId();
  call.when_us = now_us();
  calls.push_back(std::move(call));
  return S_OK;
}

LONGLONG now_us() {
  FILETIME ft;
  GetSystemTimePreciseAsFileTime(&ft);
  ULARGE_INTEGER t;
  t.LowPart = ft.dwLowDateTime;
  t.HighPart = ft.dwHighDateTime;
  // 100 ns units since 1601 to microseconds since 1970.
  return static_cast<LONGLONG>(t.QuadPart / 10) - 11644473600LL * 1000000LL;
}

bool pump_until(const std::function<bool()>& done, DWORD give_up_ms) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > give_up_ms) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  return true;
}

void pump_for(DWORD milliseconds) {
  const DWORD start = GetTickCount();
  pump_until([&] { return GetTickCount() - start >= milliseconds; }, milliseconds + 1000);
}

std::wstring agent_dll_path() { return com::testing::program_folder() + L"\\MivoOIURL.dll"; }

agent_library::agent_library() : module_(LoadLibraryW(agent_dll_path().c_str())) {
  if (!module_) throw std::runtime_error("MivoOIURL.dll cannot be loaded");
}

com::com_ptr<IMivoOIURLObject> agent_library::create() const {
  com::com_ptr<IClassFactory> factory;
  THROW_IF_FAILED(com::class_object_from_library(module_.get(), CLSID_MivoOIURLObject,
                                                 IID_IClassFactory, factory.put_void()));
  com::com_ptr<IMivoOIURLObject> agent;
  THROW_IF_FAILED(factory->CreateInstance(nullptr, IID_IMivoOIURLObject, agent.put_void()));
  return agent;
}

HRESULT agent_library::can_unload_now() const {
  const auto can_unload =
      com::get_proc_address<HRESULT(STDAPICALLTYPE*)()>(module_.get(), "DllCanUnloadNow");
  return can_unload ? can_unload() : E_FAIL;
}

namespace {
constexpr wchar_t kSettingsKey[] = L"Software\\Mivo_Outlook\\General";
constexpr wchar_t kPolicyKey[] = L"Software\\Policies\\Mivo_Outlook\\General";
}  // namespace

scoped_setting::scoped_setting(const wchar_t* name, DWORD type, const void* data, DWORD size)
    : scoped_setting(HKEY_CURRENT_USER, kSettingsKey, name, type, data, size) {}

scoped_setting::scoped_setting(HKEY root, const wchar_t* key_path, const wchar_t* name, DWORD type,
                               const void* data, DWORD size)
    : root_(root), key_(key_path), name_(name) {
  com::unique_hkey key;
  if (RegCreateKeyExW(root_, key_, 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr,
                      key.put(), nullptr) != ERROR_SUCCESS ||
      RegSetValueExW(key.get(), name, 0, type, static_cast<const BYTE*>(data), size) !=
          ERROR_SUCCESS)
    throw std::runtime_error("registry value cannot be set");
}

scoped_setting scoped_setting::text(const wchar_t* name, const std::wstring& value, DWORD type) {
  return scoped_setting(name, type, value.c_str(),
                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

scoped_setting scoped_setting::dword(const wchar_t* name, DWORD value) {
  return scoped_setting(name, REG_DWORD, &value, sizeof(value));
}

scoped_setting scoped_setting::policy_dword(const wchar_t* name, DWORD value) {
  return scoped_setting(HKEY_LOCAL_MACHINE, kPolicyKey, name, REG_DWORD, &value, sizeof(value));
}

scoped_setting scoped_setting::policy_text(const wchar_t* name, const std::wstring& value) {
  return scoped_setting(HKEY_LOCAL_MACHINE, kPolicyKey, name, REG_SZ, value.c_str(),
                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

scoped_setting::scoped_setting(scoped_setting&& other) noexcept
    : root_(other.root_), key_(other.key_), name_(std::move(other.name_)) {
  other.name_.clear();
}

scoped_setting::~scoped_setting() {
  if (name_.empty()) return;
  com::unique_hkey key;
  if (RegOpenKeyExW(root_, key_, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, key.put()) == ERROR_SUCCESS)
    RegDeleteValueW(key.get(), name_.c_str());
}

namespace {
constexpr wchar_t kWineOverrides[] = L"Software\\Wine\\DllOverrides";
}

planted_libraries::planted_libraries(std::vector<std::wstring> names) : names_(std::move(names)) {
  com::unique_hkey key;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kWineOverrides, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                      key.put(), nullptr) != ERROR_SUCCESS)
    throw std::runtime_error("Wine's library overrides cannot be set");
  const wchar_t order[] = L"native,builtin";
  for (const std::wstring& name : names_)
    RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(order),
                   sizeof(order));
  const std::wstring dll = agent_dll_path();
  if (!SetDllDirectoryW((dll.substr(0, dll.rfind(L'\\')) + L"\\planted").c_str()))
    throw std::runtime_error("the planted folder cannot be put on the search path");
}

planted_libraries::~planted_libraries() {
  SetDllDirectoryW(nullptr);
  com::unique_hkey key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kWineOverrides, 0, KEY_SET_VALUE, key.put()) !=
      ERROR_SUCCESS)
    return;
  for (const std::wstring& name : names_) RegDeleteValueW(key.get(), name.c_str());
}

}  // namespace mivo::oiurl::testing

// The host's test helpers over the registry, the test add-in's exports and
// IDispatch.
#include "host_test_support.h"

#include <stdexcept>

#include "addin_loader.h"
#include "com/module.h"
#include "dialog_test_support.h"

namespace mivo::outlookhost::testing {

namespace sched = mivo::scheduler::testing;

namespace {

std::wstring classes(const std::wstring& below) { return L"Software\\Classes\\" + below; }

using log_fn = const char* (*)();
using clear_fn = void (*)();

HMODULE test_addin() { return GetModuleHandleW(L"test_addin.dll"); }

}  // namespace

TestAddinKeys::TestAddinKeys() {
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    guards_.push_back(std::make_unique<sched::RegistryKeyGuard>(root, classes(kTestProgId)));
    guards_.push_back(std::make_unique<sched::RegistryKeyGuard>(
        root, classes(std::wstring(L"CLSID\\") + kTestClsid)));
    guards_.push_back(std::make_unique<sched::RegistryKeyGuard>(
        root, std::wstring(kAddinsKey) + L"\\" + kTestProgId));
  }
}

TestAddinKeys::~TestAddinKeys() = default;

void TestAddinKeys::register_class(HKEY root, const std::wstring& server) {
  sched::set_string(root, classes(std::wstring(kTestProgId) + L"\\CLSID"), nullptr, kTestClsid);
  const std::wstring server_key =
      classes(std::wstring(L"CLSID\\") + kTestClsid + L"\\InprocServer32");
  sched::set_string(root, server_key, nullptr, server);
  sched::set_string(root, server_key, L"ThreadingModel", L"Apartment");
}

void TestAddinKeys::register_addin(HKEY root, DWORD load_behavior) {
  const std::wstring key = std::wstring(kAddinsKey) + L"\\" + kTestProgId;
  sched::set_raw_value(root, key, L"LoadBehavior", REG_DWORD, &load_behavior,
                       sizeof(load_behavior));
  sched::set_string(root, key, L"FriendlyName", L"Test add-in");
}

void TestAddinKeys::register_for_user() {
  register_class(HKEY_CURRENT_USER, test_addin_path());
  register_addin(HKEY_CURRENT_USER, 3);
}

std::wstring test_addin_path() { return sched::bin_folder() + L"\\test_addin.dll"; }

std::string addin_log() {
  HMODULE module = test_addin();
  auto read = module ? com::get_proc_address<log_fn>(module, "test_addin_log") : nullptr;
  return read ? read() : "";
}

void clear_addin_log() {
  HMODULE module = test_addin();
  if (auto clear =
          module ? com::get_proc_address<clear_fn>(module, "test_addin_clear_log") : nullptr)
    clear();
}

Environment::Environment(const wchar_t* name, const std::wstring& value) : name_(name) {
  SetEnvironmentVariableW(name, value.c_str());
}

Environment::~Environment() { SetEnvironmentVariableW(name_.c_str(), nullptr); }

HRESULT invoke(IDispatch* object, const wchar_t* name, WORD flags, std::vector<VARIANT> args,
               VARIANT* out) {
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (SUCCEEDED(hr)) {
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPID put_id = DISPID_PROPERTYPUT;
    const bool put = flags == DISPATCH_PROPERTYPUT;
    DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), put ? &put_id : nullptr,
                      static_cast<UINT>(reversed.size()), put ? 1u : 0u};
    EXCEPINFO exception{};
    hr =
        object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, out, &exception, nullptr);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
  }
  for (auto& value : args) {
    if (V_VT(&value) == VT_BSTR) VariantClear(&value);
  }
  return hr;
}

com::com_ptr<IDispatch> object(IDispatch* from, const wchar_t* name, std::vector<VARIANT> args,
                               WORD flags) {
  com::unique_variant out;
  const HRESULT hr = invoke(from, name, flags, std::move(args), &out);
  if (FAILED(hr)) throw std::runtime_error("call failed");
  if (V_VT(&out) != VT_DISPATCH) return nullptr;
  return com::com_ptr<IDispatch>(V_DISPATCH(&out));
}

std::wstring text(IDispatch* from, const wchar_t* name, std::vector<VARIANT> args, WORD flags) {
  com::unique_variant out;
  if (FAILED(invoke(from, name, flags, std::move(args), &out)) ||
      FAILED(VariantChangeType(&out, &out, 0, VT_BSTR)))
    throw std::runtime_error("call failed");
  return std::wstring(V_BSTR(&out), SysStringLen(V_BSTR(&out)));
}

long number(IDispatch* from, const wchar_t* name, std::vector<VARIANT> args, WORD flags) {
  com::unique_variant out;
  if (FAILED(invoke(from, name, flags, std::move(args), &out)) ||
      FAILED(VariantChangeType(&out, &out, 0, VT_I4)))
    throw std::runtime_error("call failed");
  return V_I4(&out);
}

HRESULT put(IDispatch* object, const wchar_t* name, VARIANT value) {
  return invoke(object, name, DISPATCH_PROPERTYPUT, {value}, nullptr);
}

VARIANT arg(long value) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_I4;
  V_I4(&v) = value;
  return v;
}

VARIANT arg(const wchar_t* value) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_BSTR;
  V_BSTR(&v) = SysAllocString(value);
  return v;
}

VARIANT arg(IDispatch* value) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_DISPATCH;
  V_DISPATCH(&v) = value;
  return v;
}

DWORD run_host(const std::wstring& arguments, std::string& output) {
  const std::wstring file = scheduler::testing::temporary_path(L"host-output");
  const DWORD code =
      sched::run_program(L"cmd.exe /c \"\"" + sched::bin_folder() + L"\\mivo-outlook.exe\" " +
                         arguments + L" > \"" + file + L"\"\"");
  output = sched::read_file(file);
  DeleteFileW(file.c_str());
  return code;
}

}  // namespace mivo::outlookhost::testing

// The host's test helpers over the registry, the test add-in's exports and
// IDispatch.
#include "host_test_support.h"

#include <stdexcept>

#include "addin_loader.h"
#include "com/module.h"
#include "com/testing/program.h"
#include "dialog_test_support.h"
#include "testing/scheduler_test_support.h"

namespace mivo::outlookhost::testing {

namespace kit = mivo::com::testing;
namespace sched = mivo::scheduler::testing;

namespace {

std::wstring classes(const std::wstring& below) { return L"Software\\Classes\\" + below; }

using log_fn = const char* (*)();
using clear_fn = void (*)();

HMODULE test_addin() { return GetModuleHandleW(L"test_addin.dll"); }

}  // namespace

TestAddinKeys::TestAddinKeys() {
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    guards_.push_back(std::make_unique<kit::registry_key_guard>(root, classes(kTestProgId)));
    guards_.push_back(std::make_unique<kit::registry_key_guard>(
        root, classes(std::wstring(L"CLSID\\") + kTestClsid)));
    guards_.push_back(std::make_unique<kit::registry_key_guard>(
        root, std::wstring(kAddinsKey) + L"\\" + kTestProgId));
  }
}

TestAddinKeys::~TestAddinKeys() = default;

void TestAddinKeys::register_class(HKEY root, const std::wstring& server) {
  kit::set_string(root, classes(std::wstring(kTestProgId) + L"\\CLSID"), nullptr, kTestClsid);
  const std::wstring server_key =
      classes(std::wstring(L"CLSID\\") + kTestClsid + L"\\InprocServer32");
  kit::set_string(root, server_key, nullptr, server);
  kit::set_string(root, server_key, L"ThreadingModel", L"Apartment");
}

void TestAddinKeys::register_addin(HKEY root, DWORD load_behavior) {
  const std::wstring key = std::wstring(kAddinsKey) + L"\\" + kTestProgId;
  kit::set_raw_value(root, key, L"LoadBehavior", REG_DWORD, &load_behavior,
                       sizeof(load_behavior));
  kit::set_string(root, key, L"FriendlyName", L"Test add-in");
}

void TestAddinKeys::register_for_user() {
  register_class(HKEY_CURRENT_USER, test_addin_path());
  register_addin(HKEY_CURRENT_USER, 3);
}

std::wstring test_addin_path() { return kit::program_folder() + L"\\test_addin.dll"; }

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

DWORD run_host(const std::wstring& arguments, std::string& output) {
  const std::wstring file = scheduler::testing::temporary_path(L"host-output");
  // Started directly: Wine's cmd.exe now and then fails to start it.
  const DWORD code = kit::run_program(
      L"\"" + kit::program_folder() + L"\\mivo-outlook.exe\" " + arguments, file);
  output = sched::read_file(file);
  DeleteFileW(file.c_str());
  return code;
}

}  // namespace mivo::outlookhost::testing

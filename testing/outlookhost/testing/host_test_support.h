// What the host's Wine tests share: the tiny test add-in registered under
// the keys Outlook reads (and put back afterwards), its log, and calls by
// name on the host's objects, as an add-in makes them.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "com/com_ptr.h"
#include "com/unique.h"
#include "com/testing/registry.h"

namespace mivo::outlookhost::testing {

inline constexpr wchar_t kTestProgId[] = L"MivoTest.Addin";
inline constexpr wchar_t kTestClsid[] = L"{6C2D9B51-3F0E-4A7C-9D1B-2E8F4A6B7C11}";

// The test add-in's class and Addins keys under HKCU and HKLM, removed for
// the object's life and put back after it.
class TestAddinKeys {
 public:
  TestAddinKeys();
  ~TestAddinKeys();
  TestAddinKeys(const TestAddinKeys&) = delete;
  TestAddinKeys& operator=(const TestAddinKeys&) = delete;

  // The class under HKCU\Software\Classes (user) or HKLM\Software\Classes,
  // with this server path.
  void register_class(HKEY root, const std::wstring& server);
  void register_addin(HKEY root, DWORD load_behavior);
  // The whole per-user registration of bin\test_addin.dll.
  void register_for_user();

 private:
  std::vector<std::unique_ptr<com::testing::registry_key_guard>> guards_;
};

std::wstring test_addin_path();
// What the test add-in logged since the last clear, one call a line.
std::string addin_log();
void clear_addin_log();

// Sets an environment variable for the object's life.
class Environment {
 public:
  Environment(const wchar_t* name, const std::wstring& value);
  ~Environment();
  Environment(const Environment&) = delete;
  Environment& operator=(const Environment&) = delete;

 private:
  std::wstring name_;
};

// A program of bin run to its end with its output; the exit code.
DWORD run_host(const std::wstring& arguments, std::string& output);

}  // namespace mivo::outlookhost::testing

// What the add-in's Wine tests share: its files copied into an install
// folder of the test's choice, and the add-in registered for the current
// user from a folder, as an installer registers it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "testing/scheduler_test_support.h"

namespace mivo::addin::testing {

// The installed product's files, as they are in bin.
inline const std::vector<const wchar_t*> kProductFiles = {
    L"MivoOutlookPlugin.dll", L"MivoOlkRes64.dll", MIVO_SCHEDULER_DLL_NAME, L"MivoOlkRes.dll",
    L"MivoOIURL.dll"};

std::wstring bin_file(const wchar_t* name);

// A new folder <temp>\mivo-addin-<pid>-<n><levels> with `files` copied from
// bin; `levels` ("\a\b") may take it past MAX_PATH. The process keeps what it
// loads from there, so the folder stays for the prefix to clean.
class InstallFolder {
 public:
  explicit InstallFolder(const std::vector<const wchar_t*>& files, std::wstring levels = L"");

  const std::wstring& path() const { return path_; }
  std::wstring file_path(const wchar_t* file) const { return path_ + L"\\" + file; }

 private:
  std::wstring path_;
};

// The add-in at `dll` registered for the current user (regsvr32 /n
// /i:user) for the object's life; Outlook's Office key is put back after.
class UserRegistration {
 public:
  explicit UserRegistration(std::wstring dll);
  ~UserRegistration();
  UserRegistration(const UserRegistration&) = delete;
  UserRegistration& operator=(const UserRegistration&) = delete;

  // regsvr32's exit code.
  DWORD result() const { return result_; }

 private:
  com::testing::registry_key_guard office_{HKEY_CURRENT_USER, L"Software\\Microsoft\\Office"};
  std::wstring dll_;
  DWORD result_;
};

}  // namespace mivo::addin::testing

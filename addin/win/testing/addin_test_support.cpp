// Install folders and per-user registration for the add-in's tests.
#include "addin_test_support.h"

#include <stdexcept>

namespace mivo::addin::testing {

namespace sched = mivo::scheduler::testing;

namespace {

// Paths past MAX_PATH need the long form for the file functions.
std::wstring long_form(const std::wstring& path) { return L"\\\\?\\" + path; }

DWORD regsvr32(const std::wstring& options, const std::wstring& dll) {
  return sched::run_program(L"regsvr32.exe /s " + options + L" \"" + dll + L"\"");
}

}  // namespace

std::wstring bin_file(const wchar_t* name) {
  return mivo::com::testing::program_folder() + L"\\" + name;
}

InstallFolder::InstallFolder(const std::vector<const wchar_t*>& files, std::wstring levels) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring base =
      std::wstring(temp) + L"mivo-addin-" + std::to_wstring(GetCurrentProcessId());
  // Wine reuses process ids, and an earlier test's folder stays with what it
  // held (a scheduler library, say): every folder is a new one.
  for (unsigned attempt = 1;; ++attempt) {
    path_ = base + L"-" + std::to_wstring(attempt);
    if (CreateDirectoryW(long_form(path_).c_str(), nullptr)) break;
    if (GetLastError() != ERROR_ALREADY_EXISTS)
      throw std::runtime_error("the install folder cannot be made");
  }
  while (!levels.empty()) {
    const std::size_t next = levels.find(L'\\', 1);
    path_ += levels.substr(0, next);
    CreateDirectoryW(long_form(path_).c_str(), nullptr);
    levels.erase(0, next);
  }
  for (const wchar_t* file : files)
    CopyFileW(bin_file(file).c_str(), long_form(file_path(file)).c_str(), FALSE);
}

UserRegistration::UserRegistration(std::wstring dll)
    : dll_(std::move(dll)), result_(regsvr32(L"/n /i:user", dll_)) {}

UserRegistration::~UserRegistration() { regsvr32(L"/u /n /i:user", dll_); }

}  // namespace mivo::addin::testing

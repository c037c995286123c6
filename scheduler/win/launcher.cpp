// Shell launches of the instant meeting: the client program by path, the
// join address through the https handler.
#include "launcher.h"

#include <windows.h>
#include <shellapi.h>

#include <ctime>
#include <string>

#include "com/module.h"
#include "win/wide_text.h"

namespace mivo::scheduler {
namespace {

std::wstring current_directory() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD needed = GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (needed == 0) return std::wstring();
    if (needed < buffer.size()) {
      buffer.resize(needed);
      return buffer;
    }
    buffer.resize(needed);
  }
}

// Puts the process's current directory back when it goes out of scope:
// starting a handler must not move the host's relative paths.
class current_directory_guard {
 public:
  current_directory_guard() : saved_(current_directory()) {}
  ~current_directory_guard() {
    if (!saved_.empty()) SetCurrentDirectoryW(saved_.c_str());
  }
  current_directory_guard(const current_directory_guard&) = delete;
  current_directory_guard& operator=(const current_directory_guard&) = delete;

 private:
  std::wstring saved_;
};

class ShellLauncher final : public LauncherPort {
 public:
  bool file_exists(const std::string& path) override {
    return GetFileAttributesW(mivo::win::to_wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
  }

  bool open_program(const std::string& path, const std::string& parameters) override {
    const HINSTANCE result =
        ShellExecuteW(nullptr, L"open", mivo::win::to_wide(path).c_str(),
                      mivo::win::to_wide(parameters).c_str(), nullptr, SW_SHOW);
    return reinterpret_cast<INT_PTR>(result) > 32;
  }

  void open_https_address(const std::string& address) override {
    const std::wstring file = mivo::win::to_wide(address);
    const std::wstring folder = mivo::com::module::folder();
    const current_directory_guard restore;
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_CLASSNAME;
    info.lpVerb = L"open";
    info.lpFile = file.c_str();
    info.lpDirectory = folder.empty() ? nullptr : folder.c_str();
    info.nShow = SW_SHOW;
    info.lpClass = L"https";
    ShellExecuteExW(&info);
  }

  long process_clock() override { return static_cast<long>(std::clock()); }
};

}  // namespace

std::unique_ptr<LauncherPort> make_launcher() { return std::make_unique<ShellLauncher>(); }

}  // namespace mivo::scheduler

// InstallerPort over the download worker and its progress dialog, the
// signature check and the shell.
#include "installer.h"

#include <shellapi.h>

#include <string>

#include "mivo_installer_publisher.h"
#include "package_download.h"
#include "package_signature.h"
#include "win/wide_text.h"

namespace mivo::scheduler {

using mivo::win::to_utf8;
using mivo::win::to_wide;

const wchar_t kInstallerFileName[] = L"VantorOutlookPluginSetup.msi";
const wchar_t kInstallerPublisher[] = MIVO_INSTALLER_PUBLISHER;

namespace {

std::wstring temp_file_path() {
  wchar_t folder[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
  if (length == 0 || length > MAX_PATH) return std::wstring();
  return std::wstring(folder, length) + kInstallerFileName;
}

class InternetInstaller final : public InstallerPort {
 public:
  explicit InternetInstaller(installer_limits limits) : limits_(limits) {}

  std::optional<std::string> download(const std::string& url, WindowHandle owner) override {
    const std::wstring destination = temp_file_path();
    if (destination.empty()) return std::nullopt;
    // A package left by an earlier run is never taken for this one.
    DeleteFileW(destination.c_str());
    const auto download = package_download::start(to_wide(url), destination,
                                                  {limits_.max_bytes, limits_.wininet_timeout_ms});
    if (!download) return std::nullopt;
    const int ended =
        CDownloadDlg(reinterpret_cast<HWND>(owner), *download, limits_.deadline_ms).run();
    if (!download->conclude()) return std::nullopt;
    // Cancelled just as the last bytes came: the user said no all the same.
    if (ended == IDCANCEL) {
      DeleteFileW(destination.c_str());
      return std::nullopt;
    }
    return to_utf8(destination);
  }

  bool verify(const std::string& path) override {
    return check_package_signature(to_wide(path), kInstallerPublisher) ==
           package_signature::publisher;
  }

  void discard(const std::string& path) override { DeleteFileW(to_wide(path).c_str()); }

  void open(const std::string& path) override {
    ShellExecuteW(nullptr, L"open", mivo::win::to_wide(path).c_str(), nullptr, nullptr, SW_SHOW);
  }

  void exit_process() override { ExitProcess(0); }

 private:
  installer_limits limits_;
};

}  // namespace

std::unique_ptr<InstallerPort> make_installer(installer_limits limits) {
  return std::make_unique<InternetInstaller>(limits);
}

}  // namespace mivo::scheduler

// InstallerPort over the download worker and its progress dialog, the
// signature check, Windows Installer and the host's windows.
#include "installer.h"

#include <sddl.h>

#include <string>
#include <vector>

#include "com/unique.h"
#include "dialogs/scheduler_dialogs.h"
#include "mivo_installer_publisher.h"
#include "package_download.h"
#include "package_signature.h"
#include "resource_ids.h"
#include "resource_library.h"
#include "win/system_random.h"
#include "win/wide_text.h"

namespace mivo::scheduler {

using mivo::com::unique_handle;
using mivo::win::to_utf8;
using mivo::win::to_wide;

const wchar_t kInstallerFileName[] = L"VantorOutlookPluginSetup.msi";
const wchar_t kUpdateFolderPrefix[] = L"MivoUpdate-";
const wchar_t kInstallerPublisher[] = MIVO_INSTALLER_PUBLISHER;

std::wstring system_installer_program() {
  wchar_t folder[MAX_PATH + 1] = {};
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH + 1);
  if (length == 0 || length > MAX_PATH) return std::wstring();
  return std::wstring(folder, length) + L"\\msiexec.exe";
}

namespace {

struct local_free {
  void operator()(void* memory) const noexcept { LocalFree(memory); }
};

std::wstring current_user_sid() {
  HANDLE raw = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return std::wstring();
  const unique_handle token(raw);
  DWORD size = 0;
  GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
  std::vector<BYTE> user(size);
  wchar_t* text = nullptr;
  if (size == 0 || !GetTokenInformation(token.get(), TokenUser, user.data(), size, &size) ||
      !ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &text))
    return std::wstring();
  const std::unique_ptr<void, local_free> owned(text);
  return text;
}

// A new folder for one download in the user's temporary folder, named at
// random and open to the user, the system (Windows Installer copies the
// package from there) and administrators only: nobody else can place or
// change a file in it, whatever the temporary folder allows. An existing
// folder is never taken. "" when none could be made.
std::wstring new_update_folder() {
  wchar_t temp[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
  const std::wstring user = current_user_sid();
  unsigned char random[16];
  if (length == 0 || length > MAX_PATH || user.empty() ||
      !mivo::win::system_random(random, sizeof(random)))
    return std::wstring();
  static const wchar_t kHex[] = L"0123456789abcdef";
  std::wstring folder = std::wstring(temp, length) + kUpdateFolderPrefix;
  for (unsigned char b : random) {
    folder += kHex[b >> 4];
    folder += kHex[b & 15];
  }
  const std::wstring sddl = L"D:P(A;OICI;FA;;;" + user + L")(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
  void* descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                            &descriptor, nullptr))
    return std::wstring();
  const std::unique_ptr<void, local_free> owned(descriptor);
  SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor, FALSE};
  return CreateDirectoryW(folder.c_str(), &attributes) ? folder : std::wstring();
}

std::wstring folder_of(const std::wstring& path) {
  const std::size_t slash = path.rfind(L'\\');
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

// Packages handed to a running installer stay open against writes and
// deletes until the host process ends: the installer reads them after the
// scheduler object that started it is gone.
void hold_until_exit(unique_handle package) {
  static std::vector<unique_handle> held;
  held.push_back(std::move(package));
}

// The windows a user closes to close the host: its visible top-level
// windows without an owner (Outlook's main window and its item windows).
BOOL CALLBACK collect_host_window(HWND window, LPARAM windows) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == GetCurrentProcessId() && IsWindowVisible(window) && !GetWindow(window, GW_OWNER))
    reinterpret_cast<std::vector<HWND>*>(windows)->push_back(window);
  return TRUE;
}

std::vector<HWND> host_windows() {
  std::vector<HWND> windows;
  EnumWindows(collect_host_window, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

class InternetInstaller final : public InstallerPort {
 public:
  InternetInstaller(installer_limits limits, std::wstring program)
      : limits_(limits), program_(std::move(program)) {}

  std::optional<std::string> download(const std::string& url, WindowHandle owner) override {
    const std::wstring folder = new_update_folder();
    if (folder.empty()) return std::nullopt;
    const std::wstring destination = folder + L"\\" + kInstallerFileName;
    const auto download = package_download::start(to_wide(url), destination,
                                                  {limits_.max_bytes, limits_.wininet_timeout_ms});
    if (!download) {
      RemoveDirectoryW(folder.c_str());
      return std::nullopt;
    }
    const int ended =
        CDownloadDlg(reinterpret_cast<HWND>(owner), *download, limits_.deadline_ms).run();
    // An abandoned worker removes the folder itself once it has let go of
    // its file; until then this removal fails.
    if (!download->conclude()) {
      RemoveDirectoryW(folder.c_str());
      return std::nullopt;
    }
    // Cancelled just as the last bytes came: the user said no all the same.
    if (ended == IDCANCEL) {
      discard(to_utf8(destination));
      return std::nullopt;
    }
    return to_utf8(destination);
  }

  bool verify(const std::string& path) override {
    // Read through a handle that refuses writers and deleters from here
    // until the installer has the package: what was checked is what runs.
    const std::wstring package = to_wide(path);
    const HANDLE file = CreateFileW(package.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    package_.reset(file == INVALID_HANDLE_VALUE ? nullptr : file);
    if (!package_) return false;
    return check_package_signature(package, kInstallerPublisher,
                                   publisher_keys(resource_string(IDS_PUBLISHER_KEYS)),
                                   package_.get()) == package_signature::publisher;
  }

  void discard(const std::string& path) override {
    package_.reset();
    const std::wstring package = to_wide(path);
    DeleteFileW(package.c_str());
    RemoveDirectoryW(folder_of(package).c_str());
  }

  bool open(const std::string& path) override {
    if (program_.empty()) return false;
    // By its full path, never through the file association or the search
    // path, either of which anything the user runs can change.
    std::wstring command = L"\"" + program_ + L"\" /i \"" + to_wide(path) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(program_.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &started))
      return false;
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    if (package_) hold_until_exit(std::move(package_));
    return true;
  }

  void close_host() override {
    // As if the user closed each window: Outlook asks about every unsaved
    // item and ends once its last window has closed.
    for (HWND window : host_windows()) PostMessageW(window, WM_CLOSE, 0, 0);
  }

 private:
  installer_limits limits_;
  std::wstring program_;
  // The verified package, open for reading only, shared with readers alone.
  unique_handle package_;
};

}  // namespace

std::unique_ptr<InstallerPort> make_installer(installer_limits limits,
                                           std::wstring installer_program) {
  return std::make_unique<InternetInstaller>(limits, std::move(installer_program));
}

}  // namespace mivo::scheduler

// Reading the agent's registry values and writing the request log.
#include "agent_settings.h"

#include <cstdio>
#include <memory>

#include "com/unique.h"
#include "portable/machine_policy.h"
#include "win/machine_policy.h"
#include "win/wide_text.h"
#include "local_path.h"

namespace mivo::oiurl {
namespace {

constexpr wchar_t kSettingsKey[] = L"Software\\Mivo_Outlook\\General";

struct file_closer {
  void operator()(FILE* file) const noexcept { fclose(file); }
};

mivo::com::unique_hkey open_key(HKEY root, const wchar_t* path, REGSAM access) {
  mivo::com::unique_hkey key;
  if (RegOpenKeyExW(root, path, 0, access, key.put()) != ERROR_SUCCESS) key.reset();
  return key;
}

// A path on a drive of this machine; a mapped network drive reaches another
// host as surely as a share named directly.
bool is_local_file_path(const std::wstring& path) {
  if (!is_local_absolute_path(path)) return false;
  const wchar_t root[] = {path[0], L':', L'\\', L'\0'};
  return GetDriveTypeW(root) != DRIVE_REMOTE;
}

}  // namespace

std::wstring request_log_path() {
  const mivo::com::unique_hkey key = open_key(HKEY_CURRENT_USER, kSettingsKey, KEY_READ);
  if (!key) return std::wstring();
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExW(key.get(), L"SaveUrl", nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      type != REG_SZ || size < sizeof(wchar_t))
    return std::wstring();
  // One extra character: a stored string need not carry its terminator.
  std::wstring path(size / sizeof(wchar_t) + 1, L'\0');
  DWORD read = static_cast<DWORD>(path.size() * sizeof(wchar_t));
  if (RegQueryValueExW(key.get(), L"SaveUrl", nullptr, &type, reinterpret_cast<BYTE*>(path.data()),
                       &read) != ERROR_SUCCESS ||
      type != REG_SZ)
    return std::wstring();
  path.resize(wcsnlen(path.c_str(), path.size()));
  return is_local_file_path(path) ? path : std::wstring();
}

bool allow_untrusted_certificates() {
  return mivo::win::policy_number(mivo::policy::kAllowUntrustedCertificates) == DWORD{1};
}

void append_request_log(const wchar_t* verb, const wchar_t* url) noexcept try {
  const std::wstring path = request_log_path();
  if (path.empty()) return;
  std::string line =
      mivo::win::to_utf8(verb ? verb : L"") + ' ' + mivo::win::to_utf8(url ? url : L"");
  // One request, one line, whatever the URL holds.
  for (char& c : line) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  line += '\n';
  std::unique_ptr<FILE, file_closer> file(_wfopen(path.c_str(), L"a+"));
  if (!file) return;
  fwrite(line.data(), 1, line.size(), file.get());
} catch (...) {
}

}  // namespace mivo::oiurl

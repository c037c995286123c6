// Reading the agent's registry values and writing the request log.
#include "agent_settings.h"

#include <cstdio>
#include <memory>

#include "com/unique.h"
#include "com/wide_text.h"

namespace mivo::oiurl {
namespace {

constexpr wchar_t kSettingsKey[] = L"Software\\Mivo_Outlook\\General";

struct file_closer {
  void operator()(FILE* file) const noexcept { fclose(file); }
};

mivo::com::unique_hkey open_settings() {
  mivo::com::unique_hkey key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS)
    key.reset();
  return key;
}

}  // namespace

std::wstring request_log_path() {
  const mivo::com::unique_hkey key = open_settings();
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
  return path;
}

bool allow_untrusted_certificates() {
  const mivo::com::unique_hkey key = open_settings();
  if (!key) return false;
  DWORD type = 0;
  DWORD value = 0;
  DWORD size = sizeof(value);
  if (RegQueryValueExW(key.get(), L"AllowUntrustedCertificates", nullptr, &type,
                       reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS)
    return false;
  return type == REG_DWORD && size == sizeof(value) && value == 1;
}

void append_request_log(const wchar_t* verb, const wchar_t* url) noexcept try {
  const std::wstring path = request_log_path();
  if (path.empty()) return;
  std::string line =
      mivo::com::to_utf8(verb ? verb : L"") + ' ' + mivo::com::to_utf8(url ? url : L"");
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

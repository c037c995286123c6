// The machine policy key, read afresh at every call.
#include "machine_policy.h"

#include "com/unique.h"
#include "wide_text.h"

namespace mivo::win {
namespace {

constexpr wchar_t kPolicyKey[] = L"Software\\Policies\\Mivo_Outlook\\General";

mivo::com::unique_hkey open_policy_key() {
  mivo::com::unique_hkey key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kPolicyKey, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY,
                    key.put()) != ERROR_SUCCESS)
    key.reset();
  return key;
}

}  // namespace

std::optional<std::wstring> policy_text(const char* name) {
  const mivo::com::unique_hkey key = open_policy_key();
  if (!key.get()) return std::nullopt;
  const std::wstring value_name = to_wide(name);
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExW(key.get(), value_name.c_str(), nullptr, &type, nullptr, &size) !=
          ERROR_SUCCESS ||
      type != REG_SZ)
    return std::nullopt;
  // One extra character: a stored string need not carry its terminator.
  std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
  DWORD read = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  if (RegQueryValueExW(key.get(), value_name.c_str(), nullptr, &type,
                       reinterpret_cast<BYTE*>(text.data()), &read) != ERROR_SUCCESS ||
      type != REG_SZ)
    return std::nullopt;
  text.resize(wcsnlen(text.c_str(), text.size()));
  return text;
}

std::optional<DWORD> policy_number(const char* name) {
  const mivo::com::unique_hkey key = open_policy_key();
  if (!key.get()) return std::nullopt;
  DWORD type = 0;
  DWORD value = 0;
  DWORD size = sizeof(value);
  if (RegQueryValueExW(key.get(), to_wide(name).c_str(), nullptr, &type,
                       reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof(value))
    return std::nullopt;
  return value;
}

}  // namespace mivo::win

// Registry primitives of the settings store and the port over them; the
// machine policy port.
#include "registry_store.h"

#include <cwchar>
#include <vector>

#include "com/unique.h"
#include "win/machine_policy.h"
#include "win/wide_text.h"

namespace mivo::scheduler {

const wchar_t kSettingsKey[] = L"Software\\Mivo_Outlook\\General";

namespace {

// KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY
constexpr REGSAM kWriteAccess = 0x2001F;

class RegistrySettingsStore final : public SettingsStorePort {
 public:
  std::string read(const char* name) override {
    std::wstring text;
    if (read_text(HKEY_CURRENT_USER, kSettingsKey, mivo::win::to_wide(name).c_str(), text) !=
        registry_result::kOk)
      return std::string();
    return mivo::win::to_utf8(text);
  }

  bool write(const char* name, const std::string& value) override {
    return write_text(kSettingsKey, mivo::win::to_wide(name).c_str(), mivo::win::to_wide(value)) ==
           registry_result::kOk;
  }

  void remove(const char* name) override { delete_value(mivo::win::to_wide(name).c_str()); }

  std::string read_classes_root(const std::string& key_path) override {
    std::wstring text;
    if (read_text(HKEY_CLASSES_ROOT, mivo::win::to_wide(key_path).c_str(), nullptr, text) !=
        registry_result::kOk)
      return std::string();
    return mivo::win::to_utf8(text);
  }

  std::string read_machine(const char* name) override {
    // The 64-bit view, where the per-machine package writes, also for the
    // x86 scheduler in 32-bit Outlook.
    mivo::com::unique_hkey key;
    std::wstring text;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY,
                      key.put()) != ERROR_SUCCESS ||
        read_text(key.get(), nullptr, mivo::win::to_wide(name).c_str(), text) !=
            registry_result::kOk)
      return std::string();
    return mivo::win::to_utf8(text);
  }
};

}  // namespace

int read_text(HKEY root, const wchar_t* key_path, const wchar_t* value_name, std::wstring& text) {
  text.clear();
  mivo::com::unique_hkey key;
  if (RegOpenKeyExW(root, key_path, 0, KEY_READ, key.put()) != ERROR_SUCCESS)
    return registry_result::kKeyNotOpened;

  // The buffer is sized from the value itself, with a zero unit to spare:
  // a protected password is longer than any fixed buffer we would pick, and
  // a value stored without a terminator still ends inside the buffer. The
  // value may grow between the size query and the read; then ask again.
  std::vector<wchar_t> buffer;
  DWORD type = REG_NONE;
  LONG status = ERROR_MORE_DATA;
  for (int attempt = 0; attempt < 3 && status == ERROR_MORE_DATA; ++attempt) {
    DWORD bytes = 0;
    status = RegQueryValueExW(key.get(), value_name, nullptr, &type, nullptr, &bytes);
    if (status != ERROR_SUCCESS) break;
    buffer.assign(bytes / sizeof(wchar_t) + 2, L'\0');
    bytes = static_cast<DWORD>((buffer.size() - 1) * sizeof(wchar_t));
    status = RegQueryValueExW(key.get(), value_name, nullptr, &type,
                              reinterpret_cast<BYTE*>(buffer.data()), &bytes);
  }
  // A missing value reports no type; only a value that exists has one.
  const bool exists = status == ERROR_SUCCESS;
  if (exists) text.assign(buffer.data(), wcsnlen(buffer.data(), buffer.size()));

  if (exists && type != REG_SZ && type != REG_EXPAND_SZ) return registry_result::kNotText;
  if (!exists) return registry_result::kQueryFailed;
  return registry_result::kOk;
}

int write_text(const wchar_t* key_path, const wchar_t* value_name, const std::wstring& text) {
  mivo::com::unique_hkey key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, key_path, 0, kWriteAccess, key.put()) != ERROR_SUCCESS &&
      RegCreateKeyExW(HKEY_CURRENT_USER, key_path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_ALL_ACCESS, nullptr, key.put(), nullptr) != ERROR_SUCCESS)
    return registry_result::kKeyNotOpened;
  const DWORD bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  if (RegSetValueExW(key.get(), value_name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                     bytes) != ERROR_SUCCESS)
    return registry_result::kValueNotWritten;
  return registry_result::kOk;
}

void delete_value(const wchar_t* value_name) {
  mivo::com::unique_hkey key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, kWriteAccess, key.put()) != ERROR_SUCCESS)
    return;
  RegDeleteValueW(key.get(), value_name);
}

std::unique_ptr<SettingsStorePort> make_registry_store() {
  return std::make_unique<RegistrySettingsStore>();
}

namespace {

class RegistryMachinePolicy final : public MachinePolicyPort {
 public:
  std::optional<std::string> text(const char* name) override {
    const std::optional<std::wstring> value = mivo::win::policy_text(name);
    if (!value) return std::nullopt;
    return mivo::win::to_utf8(*value);
  }
  std::optional<std::uint32_t> number(const char* name) override {
    const std::optional<DWORD> value = mivo::win::policy_number(name);
    if (!value) return std::nullopt;
    return static_cast<std::uint32_t>(*value);
  }
};

}  // namespace

std::unique_ptr<MachinePolicyPort> make_machine_policy() {
  return std::make_unique<RegistryMachinePolicy>();
}

}  // namespace mivo::scheduler

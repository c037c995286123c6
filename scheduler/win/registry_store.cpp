// Registry primitives of the settings store and the port over them.
#include "registry_store.h"

#include <cwchar>

#include "com/unique.h"
#include "win/wide_text.h"

namespace mivo::scheduler {

const wchar_t kSettingsKey[] = L"Software\\Mivo_Outlook\\General";

namespace {

// KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY
constexpr REGSAM kWriteAccess = 0x2001F;
constexpr std::size_t kBufferUnits = kMaxTextLength + 1;

class RegistrySettingsStore final : public ISettingsStore {
 public:
  std::string read(const char* name) override {
    std::wstring text;
    if (read_text(HKEY_CURRENT_USER, kSettingsKey, to_wide(name).c_str(), text) !=
        registry_result::kOk)
      return std::string();
    return to_utf8(text);
  }

  bool write(const char* name, const std::string& value) override {
    return write_text(kSettingsKey, to_wide(name).c_str(), to_wide(value)) == registry_result::kOk;
  }

  void remove(const char* name) override { delete_value(to_wide(name).c_str()); }

  std::string read_classes_root(const std::string& key_path) override {
    std::wstring text;
    if (read_text(HKEY_CLASSES_ROOT, to_wide(key_path).c_str(), nullptr, text) !=
        registry_result::kOk)
      return std::string();
    return to_utf8(text);
  }
};

}  // namespace

int read_text(HKEY root, const wchar_t* key_path, const wchar_t* value_name, std::wstring& text) {
  text.clear();
  mivo::com::unique_hkey key;
  if (RegOpenKeyExW(root, key_path, 0, KEY_READ, key.put()) != ERROR_SUCCESS)
    return registry_result::kKeyNotOpened;

  wchar_t buffer[kBufferUnits] = {};
  DWORD type = REG_NONE;
  DWORD bytes = sizeof(buffer);
  const LONG status =
      RegQueryValueExW(key.get(), value_name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &bytes);
  // A missing value reports no type; only a value that exists has one.
  const bool exists = status == ERROR_SUCCESS || status == ERROR_MORE_DATA;
  // What a failed query left in the buffer is undefined.
  if (status != ERROR_SUCCESS) buffer[0] = L'\0';
  // A value stored without a terminator that fills the whole buffer is
  // longer than the buffer can hold as text: it has no end inside it.
  const std::size_t length = wcsnlen(buffer, kBufferUnits);
  const bool fits = length < kBufferUnits;
  if (fits) text.assign(buffer, length);

  if (exists && type != REG_SZ && type != REG_EXPAND_SZ) return registry_result::kNotText;
  if (status != ERROR_SUCCESS || !fits) return registry_result::kQueryFailed;
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

std::unique_ptr<ISettingsStore> make_registry_store() {
  return std::make_unique<RegistrySettingsStore>();
}

}  // namespace mivo::scheduler

// The settings store over the registry: the three primitives every settings
// access goes through, and the SettingsStorePort port built on them; the
// machine policy port.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "ports.h"

namespace mivo::scheduler {

// HKEY_CURRENT_USER\Software\Mivo_Outlook\General
extern const wchar_t kSettingsKey[];

// Results of the primitives.
namespace registry_result {
constexpr int kOk = 0;
constexpr int kKeyNotOpened = -1;     // neither opened (nor, for writes, created)
constexpr int kValueNotWritten = -2;  // the key was open but the value was refused
constexpr int kNotText = -3;          // neither REG_SZ nor REG_EXPAND_SZ
constexpr int kQueryFailed = -4;      // missing or unreadable
}  // namespace registry_result

// Reads a value of `key_path` under `root` (HKEY_CURRENT_USER or
// HKEY_CLASSES_ROOT; a null or empty name is the key's default value).
// REG_EXPAND_SZ is read literally. Values of any length are read whole, up to
// their first zero unit or their end. A value of another type yields its
// bytes taken as text, with kNotText.
// `text` always receives the buffer's text: "" when nothing was read.
int read_text(HKEY root, const wchar_t* key_path, const wchar_t* value_name, std::wstring& text);
// Stores a REG_SZ value of the text's characters without a terminator,
// creating the key under HKEY_CURRENT_USER when it is missing.
int write_text(const wchar_t* key_path, const wchar_t* value_name, const std::wstring& text);
// Deletes a value of the settings key; a key that cannot be opened is left
// alone.
void delete_value(const wchar_t* value_name);

std::unique_ptr<SettingsStorePort> make_registry_store();
// The machine policy key (win/machine_policy.h) as the MachinePolicyPort port.
std::unique_ptr<MachinePolicyPort> make_machine_policy();

}  // namespace mivo::scheduler

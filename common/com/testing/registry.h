// Registry access for tests: a key saved and put back around a test, and
// reading and writing values for checks and set-up.
#pragma once

#include <windows.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

namespace mivo::com::testing {

// Saves a registry key with everything below it, deletes it, and on
// destruction deletes whatever the test left there and puts the saved tree
// back. A key that did not exist is simply removed again.
class registry_key_guard {
 public:
  registry_key_guard(HKEY root, std::wstring path);
  ~registry_key_guard();
  registry_key_guard(const registry_key_guard&) = delete;
  registry_key_guard& operator=(const registry_key_guard&) = delete;

  struct tree;

 private:
  HKEY root_;
  std::wstring path_;
  std::unique_ptr<tree> saved_;  // null when the key did not exist
};

bool key_exists(HKEY root, const std::wstring& path);
bool value_exists(HKEY root, const std::wstring& path, const wchar_t* name);
// REG_SZ as stored, without the terminators; "" when absent.
std::wstring string_value(HKEY root, const std::wstring& path, const wchar_t* name);
void set_raw_value(HKEY root, const std::wstring& path, const wchar_t* name, DWORD type,
                   const void* data, DWORD bytes);
void set_string(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& text);
// Names of the values ("" for the default value) and of the subkeys of a
// key, sorted; none when the key is missing.
std::vector<std::wstring> value_names(HKEY root, const std::wstring& path);
std::set<std::wstring> subkey_names(HKEY root, const std::wstring& path);

// Everything below a key as lines, so that a subtree compares as a set: the
// key itself as "path|", each value as "path|name=text" ("@" for the default
// value; the text of REG_SZ, "?" for other types).
std::set<std::wstring> registry_lines(HKEY root, const std::wstring& path);

}  // namespace mivo::com::testing

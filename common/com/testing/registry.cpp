// Saving and restoring registry keys, and reading and writing values.
#include "registry.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "com/unique.h"

namespace mivo::com::testing {

struct registry_key_guard::tree {
  struct value {
    std::wstring name;
    DWORD type;
    std::vector<BYTE> data;
  };
  std::vector<value> values;
  std::vector<std::pair<std::wstring, tree>> keys;
};

namespace {

registry_key_guard::tree read_tree(HKEY key) {
  registry_key_guard::tree tree;
  for (DWORD i = 0;; ++i) {
    wchar_t name[16384];
    DWORD name_length = 16384;
    DWORD type = 0;
    DWORD bytes = 0;
    if (RegEnumValueW(key, i, name, &name_length, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS)
      break;
    std::vector<BYTE> data(bytes);
    name_length = 16384;
    RegEnumValueW(key, i, name, &name_length, nullptr, &type, data.data(), &bytes);
    data.resize(bytes);
    tree.values.push_back({std::wstring(name, name_length), type, std::move(data)});
  }
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD name_length = 256;
    if (RegEnumKeyExW(key, i, name, &name_length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    unique_hkey child;
    if (RegOpenKeyExW(key, name, 0, KEY_READ, child.put()) == ERROR_SUCCESS)
      tree.keys.emplace_back(std::wstring(name, name_length), read_tree(child.get()));
  }
  return tree;
}

void write_tree(HKEY key, const registry_key_guard::tree& tree) {
  for (const auto& value : tree.values) {
    RegSetValueExW(key, value.name.c_str(), 0, value.type, value.data.data(),
                   static_cast<DWORD>(value.data.size()));
  }
  for (const auto& [name, child_tree] : tree.keys) {
    unique_hkey child;
    if (RegCreateKeyExW(key, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, child.put(),
                        nullptr) == ERROR_SUCCESS)
      write_tree(child.get(), child_tree);
  }
}

}  // namespace

registry_key_guard::registry_key_guard(HKEY root, std::wstring path)
    : root_(root), path_(std::move(path)) {
  unique_hkey key;
  if (RegOpenKeyExW(root_, path_.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS) {
    saved_ = std::make_unique<tree>(read_tree(key.get()));
    key.reset();
    RegDeleteTreeW(root_, path_.c_str());
  }
}

registry_key_guard::~registry_key_guard() {
  RegDeleteTreeW(root_, path_.c_str());
  if (!saved_) return;
  unique_hkey key;
  if (RegCreateKeyExW(root_, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                      nullptr) == ERROR_SUCCESS)
    write_tree(key.get(), *saved_);
}

bool key_exists(HKEY root, const std::wstring& path) {
  unique_hkey key;
  return RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

bool value_exists(HKEY root, const std::wstring& path, const wchar_t* name) {
  return RegGetValueW(root, path.c_str(), name, RRF_RT_ANY, nullptr, nullptr, nullptr) ==
         ERROR_SUCCESS;
}

std::wstring string_value(HKEY root, const std::wstring& path, const wchar_t* name) {
  unique_hkey key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return L"";
  DWORD bytes = 0;
  if (RegQueryValueExW(key.get(), name, nullptr, nullptr, nullptr, &bytes) != ERROR_SUCCESS)
    return L"";
  std::wstring text(bytes / sizeof(wchar_t), L'\0');
  RegQueryValueExW(key.get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(text.data()), &bytes);
  text.resize(bytes / sizeof(wchar_t));
  while (!text.empty() && text.back() == L'\0') text.pop_back();
  return text;
}

void set_raw_value(HKEY root, const std::wstring& path, const wchar_t* name, DWORD type,
                   const void* data, DWORD bytes) {
  unique_hkey key;
  if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                      nullptr) != ERROR_SUCCESS)
    throw std::runtime_error("cannot create a test key");
  if (RegSetValueExW(key.get(), name, 0, type, static_cast<const BYTE*>(data), bytes) !=
      ERROR_SUCCESS)
    throw std::runtime_error("cannot set a test value");
}

void set_string(HKEY root, const std::wstring& path, const wchar_t* name,
                const std::wstring& text) {
  set_raw_value(root, path, name, REG_SZ, text.c_str(),
                static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

std::vector<std::wstring> value_names(HKEY root, const std::wstring& path) {
  std::vector<std::wstring> names;
  unique_hkey key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return names;
  for (const auto& value : read_tree(key.get()).values) names.push_back(value.name);
  std::sort(names.begin(), names.end());
  return names;
}

std::set<std::wstring> subkey_names(HKEY root, const std::wstring& path) {
  std::set<std::wstring> names;
  unique_hkey key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return names;
  for (const auto& child : read_tree(key.get()).keys) names.insert(child.first);
  return names;
}

namespace {

void add_lines(const std::wstring& path, const registry_key_guard::tree& tree,
               std::set<std::wstring>& lines) {
  lines.insert(path + L"|");
  for (const auto& value : tree.values) {
    std::wstring text = L"?";
    if (value.type == REG_SZ) {
      text.assign(reinterpret_cast<const wchar_t*>(value.data.data()),
                  value.data.size() / sizeof(wchar_t));
      while (!text.empty() && text.back() == L'\0') text.pop_back();
    }
    lines.insert(path + L"|" + (value.name.empty() ? L"@" : value.name) + L"=" + text);
  }
  for (const auto& [name, child] : tree.keys) add_lines(path + L"\\" + name, child, lines);
}

}  // namespace

std::set<std::wstring> registry_lines(HKEY root, const std::wstring& path) {
  std::set<std::wstring> lines;
  unique_hkey key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return lines;
  add_lines(path, read_tree(key.get()), lines);
  return lines;
}

}  // namespace mivo::com::testing

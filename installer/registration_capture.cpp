// Writes the package's registry entries as a WiX include: the product's COM
// servers register themselves for the current user exactly as
// `regsvr32 /n /i:user` does, into a scratch key standing in for the user's
// hive, and every value they wrote becomes a RegistryValue under the root
// the package names ($(var.RegistryRoot): HKCU for the per-user package,
// HKLM for the per-machine one), with the servers' folder replaced by a
// folder property of the package. The registration scripts stay the only
// source of what both packages write.
//
// The machine's part of a per-user registration (Outlook's Addins key)
// reaches the user's real hive through RegOpenCurrentUser, past the
// redirection: what lands there is taken into the package as well, and the
// user's hive is put back as it was.
//
// With --x86, the same registration is written once more for the x86 twins
// of the servers, in the user's 32-bit view as a 32-bit registration lands
// on 64-bit Windows: the registry redirector keeps a 32-bit process's
// Software\Classes\CLSID and \Interface under Software\Classes\WOW6432Node,
// ProgIDs, AppIDs, type libraries and the Addins key are shared by both
// views (written once), and a type library's win32 entry sits beside its
// win64 one. Under HKLM the Addins key is not shared: a per-machine package
// ($(var.Scope) perMachine) writes it once more under
// Software\WOW6432Node for 32-bit Outlook.
//
//   registration_capture.exe OUTPUT.wxi --build BUILD-FOLDER --folder PROPERTY
//       [--x86 PROPERTY [--x86-name NAME64=NAME32]...] SERVER.dll...
//
// Only the user's classes and Outlook's Addins keys are kept; a value that
// still names the build folder after the servers' folder became the
// property fails the capture (a path of the build machine would ship).
// All servers must be in one folder. Runs under Wine at build time.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <exception>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "com/unique.h"
#include "win/wide_text.h"

namespace {

using mivo::com::unique_hkey;
using mivo::com::unique_hmodule;

constexpr wchar_t kScratch[] = L"Software\\MivoRegistrationCapture";
constexpr wchar_t kAddinsKey[] = L"Software\\Microsoft\\Office\\Outlook\\Addins\\";

struct failure {
  std::wstring what;
};

[[noreturn]] void fail(const std::wstring& what) { throw failure{what}; }

std::wstring folder_of(const std::wstring& path) {
  return path.substr(0, path.find_last_of(L'\\'));
}

std::wstring module_path(HMODULE module) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) fail(L"GetModuleFileName failed");
    if (length < path.size()) return path.substr(0, length);
    path.resize(path.size() * 2);
  }
}

// Registers one server for the user while HKEY_CURRENT_USER is the scratch
// key; returns the folder it was loaded from.
std::wstring register_for_user(const std::wstring& dll, HKEY scratch) {
  const unique_hmodule module(LoadLibraryExW(dll.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
  if (!module) fail(L"cannot load " + dll);
  using install_fn = HRESULT(STDAPICALLTYPE*)(BOOL, LPCWSTR);
  const auto install = reinterpret_cast<install_fn>(
      reinterpret_cast<void (*)()>(GetProcAddress(module.get(), "DllInstall")));
  if (!install) fail(dll + L" has no DllInstall");
  if (RegOverridePredefKey(HKEY_CURRENT_USER, scratch) != ERROR_SUCCESS)
    fail(L"cannot redirect HKEY_CURRENT_USER");
  const HRESULT hr = install(TRUE, L"user");
  RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
  if (FAILED(hr)) fail(dll + L": DllInstall(user) failed");
  return folder_of(module_path(module.get()));
}

bool starts_with_ci(const std::wstring& text, std::size_t at, const std::wstring& prefix) {
  return text.size() - at >= prefix.size() &&
         _wcsnicmp(text.c_str() + at, prefix.c_str(), prefix.size()) == 0;
}

// A registry text as a Windows Installer formatted value: brackets escaped
// (braces, as in GUIDs, mean nothing without them), a leading '#' doubled (it would make a number),
// and the servers' folder ("folder\" or a bare "folder") as [PROPERTY], which ends with a
// backslash itself.
std::wstring formatted(const std::wstring& text, const std::wstring& folder,
                       const std::wstring& property) {
  std::wstring out;
  if (!text.empty() && text[0] == L'#') out += L'#';
  for (std::size_t i = 0; i < text.size();) {
    if (starts_with_ci(text, i, folder)) {
      const std::size_t end = i + folder.size();
      if (end == text.size() || text[end] == L'\\') {
        out += L"[" + property + L"]";
        i = end == text.size() ? end : end + 1;
        continue;
      }
    }
    const wchar_t c = text[i++];
    if (c == L'[' || c == L']') {
      out += L"[\\";
      out += c;
      out += L']';
      continue;
    }
    out += c;
  }
  return out;
}

std::string xml_attribute(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) {
    if (c < 0x20 || c > 0x7e) fail(L"a registry text outside printable ASCII: " + text);
    switch (c) {
      case L'&':
        out += "&amp;";
        break;
      case L'<':
        out += "&lt;";
        break;
      case L'>':
        out += "&gt;";
        break;
      case L'"':
        out += "&quot;";
        break;
      default:
        out += static_cast<char>(c);
    }
  }
  return out;
}

// A registry tree as read: every key below the root (relative paths, the
// root itself as "") and every value by key and name.
struct raw_value {
  DWORD type = 0;
  std::vector<BYTE> data;
  bool operator==(const raw_value& other) const { return type == other.type && data == other.data; }
};
struct tree {
  std::set<std::wstring> keys;
  std::map<std::pair<std::wstring, std::wstring>, raw_value> values;
};

std::wstring child_path(const std::wstring& parent, const std::wstring& child) {
  return parent.empty() ? child : parent + L"\\" + child;
}

// Reads `root`\`path` into `out`; `skip` (a path below the root) is left out.
void read_tree(HKEY root, const std::wstring& path, const std::wstring& skip, tree& out) {
  unique_hkey key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return;
  out.keys.insert(path);
  for (DWORD i = 0;; ++i) {
    wchar_t name[16384];
    DWORD name_length = 16384;
    DWORD bytes = 0;
    raw_value value;
    LONG result =
        RegEnumValueW(key.get(), i, name, &name_length, nullptr, &value.type, nullptr, &bytes);
    if (result == ERROR_NO_MORE_ITEMS) break;
    if (result != ERROR_SUCCESS) fail(L"cannot read the values of " + path);
    value.data.resize(bytes);
    name_length = 16384;
    result = RegEnumValueW(key.get(), i, name, &name_length, nullptr, &value.type,
                           value.data.data(), &bytes);
    if (result != ERROR_SUCCESS) fail(L"cannot read the values of " + path);
    value.data.resize(bytes);
    out.values[{path, std::wstring(name, name_length)}] = std::move(value);
  }
  std::vector<std::wstring> children;
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD length = 256;
    if (RegEnumKeyExW(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    children.emplace_back(name, length);
  }
  for (const auto& child : children) {
    const std::wstring below = child_path(path, child);
    if (_wcsicmp(below.c_str(), skip.c_str()) != 0) read_tree(root, below, skip, out);
  }
}

struct entry {
  std::wstring key;   // below HKCU
  std::wstring name;  // "" for the default value
  std::wstring type;  // string, expandable, integer; "" for a key without values
  std::wstring value;
  bool operator<(const entry& other) const {
    return std::tie(key, name) < std::tie(other.key, other.name);
  }
};

entry to_entry(const std::wstring& key, const std::wstring& name, const raw_value& raw) {
  entry e{key, name, L"", L""};
  if (raw.type == REG_SZ || raw.type == REG_EXPAND_SZ) {
    e.type = raw.type == REG_SZ ? L"string" : L"expandable";
    e.value.assign(reinterpret_cast<const wchar_t*>(raw.data.data()),
                   raw.data.size() / sizeof(wchar_t));
    while (!e.value.empty() && e.value.back() == L'\0') e.value.pop_back();
  } else if (raw.type == REG_DWORD && raw.data.size() == sizeof(DWORD)) {
    DWORD number = 0;
    std::memcpy(&number, raw.data.data(), sizeof(number));
    e.type = L"integer";
    e.value = std::to_wstring(number);
  } else {
    fail(L"a value of a type the package does not write: " + key + L"|" + name);
  }
  return e;
}

// The entries of `after` that `before` does not have: its new or changed
// values, and its new keys that hold no values and no keys. `prefix` is cut
// from the front of every key path.
void add_differences(const tree& before, const tree& after, const std::wstring& prefix,
                     std::set<entry>& out) {
  const auto relative = [&prefix](const std::wstring& path) {
    return path.size() > prefix.size() ? path.substr(prefix.size() + (prefix.empty() ? 0 : 1))
                                       : std::wstring();
  };
  std::set<std::wstring> holding;  // keys with values or subkeys
  for (const auto& [where, value] : after.values) {
    holding.insert(where.first);
    const auto old = before.values.find(where);
    if (old != before.values.end() && old->second == value) continue;
    const entry e = to_entry(relative(where.first), where.second, value);
    const auto [known, added] = out.insert(e);
    if (!added && (known->type != e.type || known->value != e.value))
      fail(L"two different values registered for " + e.key + L"|" + e.name);
  }
  for (const auto& key : after.keys) {
    const std::size_t slash = key.find_last_of(L'\\');
    holding.insert(slash == std::wstring::npos ? std::wstring() : key.substr(0, slash));
  }
  for (const auto& key : after.keys)
    if (!holding.count(key) && !before.keys.count(key) && key != prefix)
      out.insert(entry{relative(key), L"", L"", L""});
}

// Puts the user's own tree back as it was: the machine's part of a
// per-user registration reaches HKEY_CURRENT_USER through
// RegOpenCurrentUser, which no redirection of the predefined key covers.
void restore(const tree& before, const tree& after) {
  for (const auto& key : after.keys) {
    if (before.keys.count(key)) continue;
    const std::size_t slash = key.find_last_of(L'\\');
    if (slash != std::wstring::npos && !before.keys.count(key.substr(0, slash))) continue;
    RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
  }
  for (const auto& [where, value] : after.values) {
    if (!before.keys.count(where.first)) continue;
    const auto old = before.values.find(where);
    if (old == before.values.end()) {
      RegDeleteKeyValueW(HKEY_CURRENT_USER, where.first.c_str(), where.second.c_str());
    } else if (!(old->second == value)) {
      RegSetKeyValueW(HKEY_CURRENT_USER, where.first.c_str(), where.second.c_str(),
                      old->second.type, old->second.data.data(),
                      static_cast<DWORD>(old->second.data.size()));
    }
  }
}

struct options {
  std::wstring output;
  std::vector<std::wstring> build_folders;  // as Windows and as Wine's Unix side name it
  std::wstring property;
  std::wstring x86_property;                                     // empty: no 32-bit view
  std::vector<std::pair<std::wstring, std::wstring>> x86_names;  // x64 file name, x86 one
  std::vector<std::wstring> servers;
};

bool below(const std::wstring& key, const std::wstring& prefix) {
  return starts_with_ci(key, 0, prefix);
}

// What a per-user package may write: the user's classes and Outlook's
// Addins keys. Anything else a registration touched (a key COM or Wine
// makes for itself) stays out.
bool packaged(const entry& e) {
  return below(e.key, L"Software\\Classes\\") || below(e.key, kAddinsKey);
}

// The keys a 32-bit process finds under Software\Classes\WOW6432Node.
bool redirected(const std::wstring& key) {
  return below(key, L"Software\\Classes\\CLSID\\") || below(key, L"Software\\Classes\\Interface\\");
}

// "...\TypeLib\{LIBID}\1.0\0\win64": the entry of the x64 type library.
bool typelib_win64(const std::wstring& key) {
  return below(key, L"Software\\Classes\\TypeLib\\") && key.size() > 6 &&
         _wcsicmp(key.c_str() + key.size() - 6, L"\\win64") == 0;
}

// The x86 twin's text: each x64 file of the servers' folder named by its
// x86 name.
std::wstring x86_text(std::wstring text, const std::wstring& folder, const options& o) {
  for (const auto& [name64, name32] : o.x86_names) {
    const std::wstring from = folder + L"\\" + name64;
    for (std::size_t at = 0; at + from.size() <= text.size(); ++at)
      if (starts_with_ci(text, at, from))
        text.replace(at + folder.size() + 1, name64.size(), name32);
  }
  return text;
}

void check_no_build_folder(const std::wstring& text, const options& o) {
  for (const auto& build : o.build_folders)
    for (std::size_t at = 0; at < text.size(); ++at)
      if (starts_with_ci(text, at, build))
        fail(L"a value names the build folder and would ship: " + text);
}

void add_line(std::string& text, const std::wstring& key, const entry& e,
              const std::wstring& value) {
  text += "  <RegistryValue Root=\"$(var.RegistryRoot)\" Key=\"" + xml_attribute(key) + "\"";
  if (e.type.empty()) {
    // A key without values: made on install and removed, with what is in
    // it, on uninstall.
    text += " Name=\"*\" Value=\"\" Type=\"string\"/>\n";
    return;
  }
  if (!e.name.empty()) text += " Name=\"" + xml_attribute(e.name) + "\"";
  text += " Value=\"" + xml_attribute(value) + "\" Type=\"" + mivo::win::to_utf8(e.type) + "\"/>\n";
}

std::string include_text(const std::set<entry>& entries, const std::wstring& folder,
                         const options& o) {
  std::string text =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
      "<!-- Generated by registration_capture.exe from the servers' own per-user\n"
      "     registration; not kept in the repository. -->\n"
      "<Include>\n";
  const auto value_of = [&](const entry& e, const std::wstring& raw, const std::wstring& property) {
    const std::wstring value = e.type == L"integer" ? raw : formatted(raw, folder, property);
    check_no_build_folder(value, o);
    return value;
  };
  std::string machine_x86_addins;
  for (const entry& e : entries) {
    if (!packaged(e)) continue;
    add_line(text, e.key, e, value_of(e, e.value, o.property));
    if (o.x86_property.empty()) continue;
    if (below(e.key, kAddinsKey)) {
      // The add-in's class is found in each Outlook's own view, so the
      // Addins key's values are the same in both.
      add_line(machine_x86_addins, L"Software\\WOW6432Node\\" + e.key.substr(wcslen(L"Software\\")),
               e, value_of(e, e.value, o.property));
    }
    const std::wstring twin = x86_text(e.value, folder, o);
    if (redirected(e.key)) {
      const std::wstring key =
          L"Software\\Classes\\WOW6432Node\\" + e.key.substr(wcslen(L"Software\\Classes\\"));
      add_line(text, key, e, value_of(e, twin, o.x86_property));
    } else if (typelib_win64(e.key)) {
      add_line(text, e.key.substr(0, e.key.size() - 2) + L"32", e,
               value_of(e, twin, o.x86_property));
    }
  }
  if (!machine_x86_addins.empty())
    text += "<?if $(var.Scope) = \"perMachine\" ?>\n" + machine_x86_addins + "<?endif?>\n";
  return text + "</Include>\n";
}

void delete_scratch() { RegDeleteTreeW(HKEY_CURRENT_USER, kScratch); }

options parse(int argc, wchar_t** argv) {
  options o;
  const auto next = [&](int& i) -> std::wstring {
    if (i + 1 >= argc) fail(std::wstring(argv[i]) + L" needs a value");
    return argv[++i];
  };
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    if (arg == L"--build") {
      // The build folder as Windows names it (Z:\...\build) and as the
      // Unix side does (/.../build), for values that carry either.
      std::wstring windows = next(i);
      for (wchar_t& c : windows)
        if (c == L'/') c = L'\\';
      o.build_folders.push_back(windows);
      if (windows.size() > 2 && windows[1] == L':') {
        std::wstring unix_form = windows.substr(2);
        for (wchar_t& c : unix_form)
          if (c == L'\\') c = L'/';
        o.build_folders.push_back(unix_form);
      }
    } else if (arg == L"--folder") {
      o.property = next(i);
    } else if (arg == L"--x86") {
      o.x86_property = next(i);
    } else if (arg == L"--x86-name") {
      const std::wstring pair = next(i);
      const std::size_t equals = pair.find(L'=');
      if (equals == std::wstring::npos) fail(L"--x86-name takes NAME64=NAME32");
      o.x86_names.emplace_back(pair.substr(0, equals), pair.substr(equals + 1));
    } else if (o.output.empty()) {
      o.output = arg;
    } else {
      o.servers.push_back(arg);
    }
  }
  if (o.output.empty() || o.property.empty() || o.build_folders.empty() || o.servers.empty())
    fail(
        L"usage: registration_capture OUTPUT.wxi --build FOLDER --folder PROPERTY "
        L"[--x86 PROPERTY [--x86-name NAME64=NAME32]...] SERVER.dll...");
  return o;
}

int run(int argc, wchar_t** argv) {
  const options o = parse(argc, argv);
  delete_scratch();
  unique_hkey scratch;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kScratch, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      scratch.put(), nullptr) != ERROR_SUCCESS)
    fail(L"cannot create the scratch key");
  tree user_before;
  read_tree(HKEY_CURRENT_USER, L"", kScratch, user_before);
  std::wstring folder;
  tree user_after;
  try {
    for (const auto& server : o.servers) {
      const std::wstring loaded_from = register_for_user(server, scratch.get());
      if (!folder.empty() && _wcsicmp(folder.c_str(), loaded_from.c_str()) != 0)
        fail(L"the servers are not in one folder");
      folder = loaded_from;
    }
  } catch (...) {
    read_tree(HKEY_CURRENT_USER, L"", kScratch, user_after);
    restore(user_before, user_after);
    throw;
  }
  read_tree(HKEY_CURRENT_USER, L"", kScratch, user_after);
  restore(user_before, user_after);
  tree captured;
  read_tree(HKEY_CURRENT_USER, kScratch, L"", captured);
  std::set<entry> entries;
  add_differences(tree{}, captured, kScratch, entries);
  add_differences(user_before, user_after, L"", entries);
  bool addins = false;
  for (const entry& e : entries) addins = addins || below(e.key, kAddinsKey);
  if (!addins) fail(L"no Outlook Addins key was registered");
  const std::string text = include_text(entries, folder, o);
  FILE* file = _wfopen(o.output.c_str(), L"wb");
  if (!file) fail(L"cannot write " + o.output);
  const bool written = fwrite(text.data(), 1, text.size(), file) == text.size();
  if (fclose(file) != 0 || !written) fail(L"cannot write " + o.output);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  try {
    const int code = run(argc, argv);
    delete_scratch();
    return code;
  } catch (const failure& f) {
    delete_scratch();
    fwprintf(stderr, L"registration_capture: %ls\n", f.what.c_str());
    return 1;
  } catch (const std::exception& e) {
    delete_scratch();
    fprintf(stderr, "registration_capture: %s\n", e.what());
    return 1;
  }
}

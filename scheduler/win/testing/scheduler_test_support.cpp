// Test helpers over the registry, the file system, Toolhelp and COM.
#include "scheduler_test_support.h"

#include <objbase.h>
#include <wincrypt.h>
#include <tlhelp32.h>

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "com/module.h"
#include "win/installer.h"
#include "win/registry_store.h"
#include "win/wide_text.h"

namespace mivo::scheduler::testing {

using mivo::com::unique_handle;
using mivo::com::unique_hkey;

std::wstring bin_folder() {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, length);
  return folder.substr(0, folder.rfind(L'\\'));
}

std::wstring recorder_path() { return bin_folder() + L"\\launch_recorder.exe"; }

struct RegistryKeyGuard::Tree {
  struct Value {
    std::wstring name;
    DWORD type;
    std::vector<BYTE> data;
  };
  std::vector<Value> values;
  std::vector<std::pair<std::wstring, Tree>> keys;
};

namespace {

RegistryKeyGuard::Tree read_tree(HKEY key) {
  RegistryKeyGuard::Tree tree;
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

void write_tree(HKEY key, const RegistryKeyGuard::Tree& tree) {
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

RegistryKeyGuard::RegistryKeyGuard(HKEY root, std::wstring path)
    : root_(root), path_(std::move(path)) {
  unique_hkey key;
  if (RegOpenKeyExW(root_, path_.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS) {
    saved_ = std::make_unique<Tree>(read_tree(key.get()));
    key.reset();
    RegDeleteTreeW(root_, path_.c_str());
  }
}

RegistryKeyGuard::~RegistryKeyGuard() {
  RegDeleteTreeW(root_, path_.c_str());
  if (!saved_) return;
  unique_hkey key;
  if (RegCreateKeyExW(root_, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                      nullptr) == ERROR_SUCCESS)
    write_tree(key.get(), *saved_);
}

SettingsKeyGuard::SettingsKeyGuard() : RegistryKeyGuard(HKEY_CURRENT_USER, kSettingsKey) {}

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

std::string setting(const char* name) {
  return to_utf8(string_value(HKEY_CURRENT_USER, kSettingsKey, to_wide(name).c_str()));
}

void set_setting(const char* name, const std::string& value) {
  set_string(HKEY_CURRENT_USER, kSettingsKey, to_wide(name).c_str(), to_wide(value));
}

LaunchRecords::LaunchRecords() {
  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, temp);
  folder_ = std::wstring(temp) + L"mivo-launches-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(GetTickCount64());
  CreateDirectoryW(folder_.c_str(), nullptr);
  SetEnvironmentVariableW(L"MIVO_LAUNCH_RECORDS", folder_.c_str());
}

LaunchRecords::~LaunchRecords() {
  SetEnvironmentVariableW(L"MIVO_LAUNCH_RECORDS", nullptr);
  clear();
  RemoveDirectoryW(folder_.c_str());
}

void LaunchRecords::clear() {
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW((folder_ + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        DeleteFileW((folder_ + L"\\" + found.cFileName).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
}

std::vector<LaunchRecords::Launch> LaunchRecords::collect() {
  // Every recorder still running: started by this process or by a program
  // this process started (tests run one at a time, so all are this test's).
  std::vector<unique_handle> running;
  const unique_handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  if (snapshot.get() != INVALID_HANDLE_VALUE && Process32FirstW(snapshot.get(), &entry)) {
    do {
      if (_wcsicmp(entry.szExeFile, L"launch_recorder.exe") == 0) {
        unique_handle process(OpenProcess(SYNCHRONIZE, FALSE, entry.th32ProcessID));
        if (process) running.push_back(std::move(process));
      }
    } while (Process32NextW(snapshot.get(), &entry));
  }
  for (const auto& process : running) WaitForSingleObject(process.get(), INFINITE);

  struct Found {
    FILETIME written;
    std::wstring path;
  };
  std::vector<Found> files;
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW((folder_ + L"\\*.txt").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      files.push_back({found.ftLastWriteTime, folder_ + L"\\" + found.cFileName});
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  std::sort(files.begin(), files.end(), [](const Found& a, const Found& b) {
    return CompareFileTime(&a.written, &b.written) < 0;
  });
  std::vector<Launch> launches;
  for (const auto& file : files) {
    const std::string text = read_file(file.path);
    const std::size_t end_of_directory = text.find('\n');
    Launch launch;
    launch.directory = text.substr(0, end_of_directory);
    if (end_of_directory != std::string::npos)
      launch.command_line = text.substr(end_of_directory + 1);
    launches.push_back(std::move(launch));
  }
  return launches;
}

std::string argument_after_program(const std::string& command_line) {
  std::size_t start = 0;
  if (!command_line.empty() && command_line[0] == '"') {
    start = command_line.find('"', 1);
    start = start == std::string::npos ? command_line.size() : start + 1;
  } else {
    start = command_line.find(' ');
    if (start == std::string::npos) start = command_line.size();
  }
  while (start < command_line.size() && command_line[start] == ' ') ++start;
  return command_line.substr(start);
}

ComApartment::ComApartment() {
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
    throw std::runtime_error("CoInitializeEx failed");
}

ComApartment::~ComApartment() { CoUninitialize(); }

HMODULE scheduler_library() {
  static const HMODULE library =
      LoadLibraryW((bin_folder() + L"\\" MIVO_SCHEDULER_DLL_NAME).c_str());
  if (!library) throw std::runtime_error("the scheduler DLL cannot be loaded from bin");
  return library;
}

mivo::com::com_ptr<IMeetingRequest> create_meeting_request() {
  mivo::com::com_ptr<IClassFactory> factory;
  THROW_IF_FAILED(mivo::com::class_object_from_library(scheduler_library(), CLSID_MeetingRequest,
                                                       IID_IClassFactory, factory.put_void()));
  mivo::com::com_ptr<IMeetingRequest> request;
  THROW_IF_FAILED(factory->CreateInstance(nullptr, IID_IMeetingRequest, request.put_void()));
  return request;
}

STDMETHODIMP TestSettingsSink::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
      IsEqualIID(iid, IID_ISettingsSink)) {
    *out = static_cast<ISettingsSink*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP TestSettingsSink::SetSubject(BSTR text) {
  subject = text ? text : L"";
  calls.push_back(L"SetSubject " + subject);
  return S_OK;
}

STDMETHODIMP TestSettingsSink::GetSubject(BSTR* text) {
  calls.push_back(L"GetSubject");
  *text = SysAllocString(subject.c_str());
  return S_OK;
}

STDMETHODIMP TestSettingsSink::SetLocation(BSTR text) {
  location = text ? text : L"";
  calls.push_back(L"SetLocation " + location);
  return S_OK;
}

STDMETHODIMP TestSettingsSink::GetLocation(BSTR* text) {
  calls.push_back(L"GetLocation");
  *text = SysAllocString(location.c_str());
  return S_OK;
}

std::wstring installer_package_path() {
  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, temp);
  return std::wstring(temp) + kInstallerFileName;
}

std::wstring update_package(const std::wstring& name) {
  return bin_folder() + L"\\update-packages\\" + name;
}

std::vector<std::wstring> partial_downloads() {
  const std::wstring pattern = installer_package_path() + L".*.part";
  std::vector<std::wstring> found;
  WIN32_FIND_DATAW entry{};
  const HANDLE search = FindFirstFileW(pattern.c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return found;
  do {
    found.push_back(entry.cFileName);
  } while (FindNextFileW(search, &entry));
  FindClose(search);
  return found;
}

namespace {

// The machine's trusted roots as the registry holds them (Wine forgets a
// deletion made through the system store); the caller closes the store.
HCERTSTORE open_machine_roots() {
  return CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE,
                       L"Root");
}

}  // namespace

TrustedTestRoot::TrustedTestRoot() : encoded_(read_file(update_package(L"root.der"))) {
  const HCERTSTORE store = open_machine_roots();
  const bool added =
      store && CertAddEncodedCertificateToStore(
                   store, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(encoded_.data()),
                   static_cast<DWORD>(encoded_.size()), CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
  if (store) CertCloseStore(store, 0);
  if (!added) throw std::runtime_error("the test root cannot be trusted");
}

TrustedTestRoot::~TrustedTestRoot() {
  const HCERTSTORE store = open_machine_roots();
  if (!store) return;
  const PCCERT_CONTEXT root = CertCreateCertificateContext(
      X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(encoded_.data()),
      static_cast<DWORD>(encoded_.size()));
  if (root) {
    if (const PCCERT_CONTEXT stored = CertFindCertificateInStore(store, X509_ASN_ENCODING, 0,
                                                                 CERT_FIND_EXISTING, root, nullptr))
      CertDeleteCertificateFromStore(stored);
    CertFreeCertificateContext(root);
  }
  CertCloseStore(store, 0);
}

bool running_on_wine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

DWORD run_program(std::wstring command_line) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process))
    return static_cast<DWORD>(-1);
  const unique_handle process_handle(process.hProcess);
  const unique_handle thread_handle(process.hThread);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  return code;
}

long long file_size(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::string read_file(const std::wstring& path) {
  const HANDLE raw = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (raw == INVALID_HANDLE_VALUE) return std::string();
  const unique_handle file(raw);
  std::string bytes;
  char chunk[4096];
  DWORD read = 0;
  while (ReadFile(file.get(), chunk, sizeof(chunk), &read, nullptr) && read > 0)
    bytes.append(chunk, read);
  return bytes;
}

}  // namespace mivo::scheduler::testing

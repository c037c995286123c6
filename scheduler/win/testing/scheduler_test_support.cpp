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
#include "win/package_signature.h"
#include "win/registry_store.h"
#include "win/wide_text.h"

namespace mivo::scheduler::testing {

using mivo::com::unique_handle;
using mivo::com::unique_hkey;

std::wstring recorder_path() { return program_folder() + L"\\launch_recorder.exe"; }

SettingsKeyGuard::SettingsKeyGuard() : registry_key_guard(HKEY_CURRENT_USER, kSettingsKey) {}

std::string setting(const char* name) {
  return mivo::win::to_utf8(
      string_value(HKEY_CURRENT_USER, kSettingsKey, mivo::win::to_wide(name).c_str()));
}

void set_setting(const char* name, const std::string& value) {
  set_string(HKEY_CURRENT_USER, kSettingsKey, mivo::win::to_wide(name).c_str(),
             mivo::win::to_wide(value));
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

HMODULE scheduler_library() {
  static const HMODULE library =
      LoadLibraryW((program_folder() + L"\\" MIVO_SCHEDULER_DLL_NAME).c_str());
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

void set_scheduler_language(LANGID language) {
  const auto tell = reinterpret_cast<MivoSetUILanguageFunction>(
      reinterpret_cast<void*>(GetProcAddress(scheduler_library(), MIVO_SET_UI_LANGUAGE_EXPORT)));
  if (!tell) throw std::runtime_error("the scheduler DLL does not export MivoSetUILanguage");
  tell(language);
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

namespace {

std::wstring temporary_folder() {
  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, temp);
  return temp;
}

// Full paths of what `pattern` finds in `folder`.
std::vector<std::wstring> found_in(const std::wstring& folder, const wchar_t* pattern) {
  std::vector<std::wstring> found;
  WIN32_FIND_DATAW entry{};
  const HANDLE search = FindFirstFileW((folder + pattern).c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return found;
  do {
    if (wcscmp(entry.cFileName, L".") != 0 && wcscmp(entry.cFileName, L"..") != 0)
      found.push_back(folder + entry.cFileName);
  } while (FindNextFileW(search, &entry));
  FindClose(search);
  return found;
}

}  // namespace

std::vector<std::wstring> update_folders() {
  return found_in(temporary_folder(), (std::wstring(kUpdateFolderPrefix) + L"*").c_str());
}

std::vector<std::wstring> update_files() {
  std::vector<std::wstring> files;
  for (const std::wstring& folder : update_folders()) {
    for (std::wstring& file : found_in(folder + L"\\", L"*")) files.push_back(std::move(file));
  }
  return files;
}

void remove_update_folders() {
  for (const std::wstring& file : update_files()) DeleteFileW(file.c_str());
  for (const std::wstring& folder : update_folders()) RemoveDirectoryW(folder.c_str());
}

std::wstring update_package(const std::wstring& name) {
  return mivo::com::testing::program_folder() + L"\\update-packages\\" + name;
}

std::vector<std::wstring> test_publisher_keys() {
  return publisher_keys(mivo::win::to_wide(read_file(update_package(L"test-publisher.pin"))));
}

namespace {

// The machine's trusted roots as the registry holds them (Wine forgets a
// deletion made through the system store); the caller closes the store.
HCERTSTORE open_machine_roots() {
  return CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE,
                       L"Root");
}

}  // namespace

TrustedTestRoot::TrustedTestRoot() : TrustedTestRoot(read_file(update_package(L"root.der"))) {}

TrustedTestRoot::TrustedTestRoot(std::string der) : encoded_(std::move(der)) {
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

std::string reference_service_certificate() {
  const std::string pem = read_file(program_folder() + L"\\..\\refservice\\cert.pem");
  DWORD size = 0;
  if (!CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER,
                            nullptr, &size, nullptr, nullptr))
    throw std::runtime_error("the reference service wrote no certificate");
  std::string der(size, '\0');
  CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER,
                       reinterpret_cast<BYTE*>(der.data()), &size, nullptr, nullptr);
  der.resize(size);
  return der;
}

bool running_on_wine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
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

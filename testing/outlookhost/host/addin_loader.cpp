// The Addins keys, COM's class lookup with per-user classes first, and the
// _IDTExtensibility2 calls, each timed and run through addin_calls.
//
// From Office's documentation: LoadBehavior 3 loads an add-in at start-up;
// the user's LoadBehavior overrides the machine's; OnConnection receives
// Outlook's Application, ext_cm_Startup at start-up (ext_cm_AfterStartup
// when connected later) and the add-in's COMAddIn object; OnStartupComplete
// follows only a start-up connection; OnDisconnection says HostShutdown
// when Outlook closes and UserClosed when the user turns the add-in off.
// The `custom` arrays carry nothing. Outlook rewrites LoadBehavior to 2
// after a failed load; the host reports that instead of writing it, so a
// test prefix keeps its keys.
#include "addin_loader.h"

#include <algorithm>
#include <chrono>

#include "addin_calls.h"
#include "automation.h"
#include "com/module.h"
#include "com/unique.h"
#include "win/wide_text.h"

namespace mivo::outlookhost {

namespace {

using win::to_utf8;
using clock_type = std::chrono::steady_clock;

double elapsed_ms(clock_type::time_point since) {
  return std::chrono::duration<double, std::milli>(clock_type::now() - since).count();
}

// `view` (KEY_WOW64_64KEY) reads a key of the 64-bit view from a 32-bit host.
bool read_string(HKEY root, const std::wstring& path, const wchar_t* name, std::wstring& out,
                 REGSAM view = 0) {
  com::unique_hkey key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE | view, key.put()) != ERROR_SUCCESS)
    return false;
  DWORD bytes = 0;
  DWORD type = 0;
  if (RegGetValueW(key.get(), nullptr, name, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                   &type, nullptr, &bytes) != ERROR_SUCCESS)
    return false;
  std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
  if (RegGetValueW(key.get(), nullptr, name, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                   &type, value.data(), &bytes) != ERROR_SUCCESS)
    return false;
  value.resize(wcslen(value.c_str()));
  if (type == REG_EXPAND_SZ) {
    std::wstring expanded(ExpandEnvironmentStringsW(value.c_str(), nullptr, 0), L'\0');
    ExpandEnvironmentStringsW(value.c_str(), expanded.data(), static_cast<DWORD>(expanded.size()));
    expanded.resize(wcslen(expanded.c_str()));
    value = expanded;
  }
  out = value;
  return true;
}

bool read_dword(HKEY root, const std::wstring& path, const wchar_t* name, DWORD& out) {
  DWORD bytes = sizeof(out);
  return RegGetValueW(root, path.c_str(), name, RRF_RT_REG_DWORD, nullptr, &out, &bytes) ==
         ERROR_SUCCESS;
}

std::vector<std::wstring> subkeys(HKEY root, const std::wstring& path) {
  std::vector<std::wstring> names;
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
  wchar_t name[256];
  for (DWORD i = 0;; ++i) {
    DWORD length = 256;
    if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    names.emplace_back(name, length);
  }
  RegCloseKey(key);
  return names;
}

struct hive {
  HKEY root;
  const wchar_t* name;
};
// Where Windows looks for classes, in its order.
const hive kClassHives[] = {{HKEY_CURRENT_USER, L"HKCU\\Software\\Classes"},
                            {HKEY_LOCAL_MACHINE, L"HKLM\\Software\\Classes"}};

bool class_value(const std::wstring& path, const wchar_t* name, std::wstring& out,
                 std::wstring* found_in = nullptr, REGSAM view = 0) {
  for (const auto& h : kClassHives) {
    if (read_string(h.root, std::wstring(L"Software\\Classes\\") + path, name, out, view)) {
      if (found_in) *found_in = std::wstring(h.name) + L"\\" + path;
      return true;
    }
  }
  return false;
}

// The COMAddIn object Outlook passes as AddInInst. None of its members is
// modelled: an add-in that uses them is told so.
class com_addin_object final : public dispatch_object {
 protected:
  const char* type_name() const noexcept override { return "COMAddIn"; }
  bool answers(REFIID) const noexcept override { return false; }
  const std::vector<member>& members() const override {
    static const std::vector<member> none;
    return none;
  }
  void invoke(DISPID, WORD, const arguments&, result&) override {}
};

// An empty SAFEARRAY of VARIANTs for the `custom` arguments.
class custom_array {
 public:
  custom_array() : array_(SafeArrayCreateVector(VT_VARIANT, 0, 0)) {}
  ~custom_array() {
    if (array_) SafeArrayDestroy(array_);
  }
  SAFEARRAY** get() { return &array_; }

 private:
  SAFEARRAY* array_;
};

}  // namespace

std::vector<addin_registration> read_addin_registrations() {
  std::vector<addin_registration> found;
  const hive hives[] = {{HKEY_CURRENT_USER, L"HKCU"}, {HKEY_LOCAL_MACHINE, L"HKLM"}};
  for (const auto& h : hives) {
    for (const auto& prog_id : subkeys(h.root, kAddinsKey)) {
      const std::wstring path = std::wstring(kAddinsKey) + L"\\" + prog_id;
      auto existing = std::find_if(found.begin(), found.end(), [&](const addin_registration& r) {
        return _wcsicmp(r.prog_id.c_str(), prog_id.c_str()) == 0;
      });
      if (existing == found.end()) {
        addin_registration added;
        added.prog_id = prog_id;
        found.push_back(added);
        existing = found.end() - 1;
      }
      addin_registration& entry = *existing;
      std::wstring text;
      if (entry.friendly_name.empty() && read_string(h.root, path, L"FriendlyName", text))
        entry.friendly_name = text;
      if (entry.description.empty() && read_string(h.root, path, L"Description", text))
        entry.description = text;
      DWORD behavior = 0;
      if (entry.load_behavior_from.empty() && read_dword(h.root, path, L"LoadBehavior", behavior)) {
        entry.load_behavior = behavior;
        entry.load_behavior_from = h.name;
      }
    }
  }
  return found;
}

bool resolve_class(const std::wstring& prog_id, class_registration& out, std::string& error) {
  // ProgIDs are shared by both registry views on 64-bit Windows, the CLSID
  // keys are not: a 32-bit host finds the ProgID in the one shared key and
  // the class in its own view (Wine 8.0 would move the ProgID lookup of a
  // 32-bit program into WOW6432Node as well, once that key exists).
  std::wstring clsid_text;
  if (!class_value(prog_id + L"\\CLSID", nullptr, clsid_text, nullptr, KEY_WOW64_64KEY)) {
    std::wstring current;
    if (!class_value(prog_id + L"\\CurVer", nullptr, current, nullptr, KEY_WOW64_64KEY) ||
        !class_value(current + L"\\CLSID", nullptr, clsid_text, nullptr, KEY_WOW64_64KEY)) {
      error = "the ProgID " + to_utf8(prog_id) + " is not registered (no CLSID under it in " +
              "HKCU\\Software\\Classes or HKLM\\Software\\Classes)";
      return false;
    }
  }
  if (FAILED(CLSIDFromString(clsid_text.c_str(), &out.clsid))) {
    error = "the ProgID's CLSID \"" + to_utf8(clsid_text) + "\" is not a GUID";
    return false;
  }
  const std::wstring server_key = L"CLSID\\" + clsid_text + L"\\InprocServer32";
  if (!class_value(server_key, nullptr, out.server, &out.found_in) || out.server.empty()) {
    error = "the class " + to_utf8(clsid_text) + " has no InprocServer32";
    return false;
  }
  class_value(server_key, L"ThreadingModel", out.threading_model);
  return true;
}

bool loaded_addin::load() {
  const auto started = clock_type::now();
  std::string error;
  if (!resolve_class(registration_.prog_id, class_, error)) {
    problem("not loaded: " + error);
    return false;
  }
  if (_wcsicmp(class_.threading_model.c_str(), L"Free") == 0)
    problem(
        "ThreadingModel is \"Free\": COM would create the add-in in the multithreaded "
        "apartment, away from Outlook's user-interface thread");
  library_ = LoadLibraryExW(class_.server.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (!library_) {
    problem("not loaded: " + to_utf8(class_.server) + " could not be loaded (error " +
            std::to_string(GetLastError()) + ")");
    return false;
  }
  HRESULT hr = addin_calls::run("DllGetClassObject", [&] {
    return com::class_object_from_library(library_, class_.clsid, IID_IClassFactory,
                                          factory_.put_void());
  });
  if (FAILED(hr) || !factory_) {
    problem("not loaded: DllGetClassObject failed with " + hex_code(hr));
    return false;
  }
  com::com_ptr<IUnknown> object;
  hr = addin_calls::run("IClassFactory::CreateInstance", [&] {
    return factory_->CreateInstance(nullptr, IID_IUnknown, object.put_void());
  });
  if (FAILED(hr) || !object) {
    problem("not loaded: CreateInstance failed with " + hex_code(hr));
    return false;
  }
  connection_ = object.try_query<_IDTExtensibility2>();
  if (!connection_) {
    problem("not loaded: the connect object has no _IDTExtensibility2, so it is not an add-in");
    return false;
  }
  timings_.load = elapsed_ms(started);
  return true;
}

bool loaded_addin::connect(IDispatch* application, ext_ConnectMode mode) {
  if (!connection_) {
    if (!factory_) return false;
    com::com_ptr<IUnknown> object;
    if (FAILED(factory_->CreateInstance(nullptr, IID_IUnknown, object.put_void())) || !object)
      return false;
    connection_ = object.try_query<_IDTExtensibility2>();
    if (!connection_) return false;
  }
  com_addin_ = com::com_ptr<IDispatch>(make<com_addin_object>().get());
  custom_array custom;
  const auto started = clock_type::now();
  const HRESULT hr = addin_calls::run("_IDTExtensibility2::OnConnection", [&] {
    return connection_->OnConnection(application, mode, com_addin_.get(), custom.get());
  });
  timings_.connect = elapsed_ms(started);
  if (FAILED(hr)) {
    problem("not loaded: a runtime error occurred during OnConnection (" + hex_code(hr) +
            "); Outlook would set LoadBehavior to 2");
    connection_.reset();
    return false;
  }
  // Office asks for the ribbon side after OnConnection.
  ribbon_ = connection_.try_query<IRibbonExtensibility>();
  dispatch_ = connection_.try_query<IDispatch>();
  connected_ = true;
  return true;
}

void loaded_addin::startup_complete() {
  if (!connected_) return;
  custom_array custom;
  const auto started = clock_type::now();
  addin_calls::run("_IDTExtensibility2::OnStartupComplete",
                   [&] { return connection_->OnStartupComplete(custom.get()); });
  timings_.startup_complete = elapsed_ms(started);
}

void loaded_addin::begin_shutdown() {
  if (!connected_) return;
  custom_array custom;
  addin_calls::run("_IDTExtensibility2::OnBeginShutdown",
                   [&] { return connection_->OnBeginShutdown(custom.get()); });
}

void loaded_addin::disconnect(ext_DisconnectMode mode) {
  if (!connected_) return;
  custom_array custom;
  addin_calls::run("_IDTExtensibility2::OnDisconnection",
                   [&] { return connection_->OnDisconnection(mode, custom.get()); });
  connected_ = false;
  ribbon_.reset();
  dispatch_.reset();
  com_addin_.reset();
  connection_.reset();
}

}  // namespace mivo::outlookhost

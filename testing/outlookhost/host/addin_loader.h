// Finding and loading COM add-ins as Outlook does: the Addins keys under
// HKCU and HKLM (the user's LoadBehavior wins over the machine's), the
// ProgID and CLSID resolved as Windows COM resolves them (the user's
// classes under HKCU\Software\Classes before the machine's, which Wine's
// HKEY_CLASSES_ROOT does not merge), the in-process server loaded and the
// connect object created through its class factory, then driven through
// _IDTExtensibility2.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "OfficeAddin.h"
#include "com/com_ptr.h"
#include "com/unique.h"

namespace mivo::outlookhost {

inline constexpr wchar_t kAddinsKey[] = L"Software\\Microsoft\\Office\\Outlook\\Addins";

struct addin_registration {
  std::wstring prog_id;
  std::wstring friendly_name;
  std::wstring description;
  DWORD load_behavior = 0;
  std::wstring load_behavior_from;  // "HKCU" or "HKLM"
  bool loads_at_startup() const { return load_behavior == 3; }
};

// Every add-in registered for Outlook, HKCU's entries first, each ProgID
// once.
std::vector<addin_registration> read_addin_registrations();

struct class_registration {
  CLSID clsid{};
  std::wstring server;  // InprocServer32, environment strings expanded
  std::wstring threading_model;
  std::wstring found_in;  // the key the server path was read from
};

// The class behind a ProgID; false with the reason when it cannot be found.
bool resolve_class(const std::wstring& prog_id, class_registration& out, std::string& error);

// Times of the start-up steps of one add-in, in milliseconds.
struct startup_timings {
  double load = 0;         // the DLL loaded and the connect object created
  double connect = 0;      // OnConnection
  double ribbon_xml = 0;   // GetCustomUI for the main window
  double ribbon_load = 0;  // parsing, checks and onLoad
  double visibility = 0;   // the first visibility pass
  double pictures = 0;     // loadImage for the main window's pictures
  double startup_complete = 0;
  double total() const {
    return load + connect + ribbon_xml + ribbon_load + visibility + pictures + startup_complete;
  }
};

// One add-in as Outlook holds it while it is connected.
class loaded_addin {
 public:
  explicit loaded_addin(addin_registration registration) : registration_(std::move(registration)) {}

  const addin_registration& registration() const { return registration_; }
  const class_registration& class_info() const { return class_; }
  // Why loading or connecting failed, as Outlook's COM Add-ins dialog says.
  const std::vector<std::string>& problems() const { return problems_; }
  bool connected() const { return connected_; }
  startup_timings& timings() { return timings_; }

  // Loads the server and creates the connect object (nothing is called on
  // it yet); false when that fails.
  bool load();
  // OnConnection; false when it fails (the add-in is then released).
  bool connect(IDispatch* application, ext_ConnectMode mode);
  void startup_complete();
  void begin_shutdown();
  // OnDisconnection and the release of the connect object.
  void disconnect(ext_DisconnectMode mode);

  // The connect object's ribbon side and its IDispatch (null when absent).
  IRibbonExtensibility* ribbon() const { return ribbon_.get(); }
  IDispatch* callbacks() const { return dispatch_.get(); }

 private:
  void problem(std::string text) { problems_.push_back(std::move(text)); }

  addin_registration registration_;
  class_registration class_;
  HMODULE library_ = nullptr;  // stays loaded, as COM keeps a server loaded
  com::com_ptr<IClassFactory> factory_;
  com::com_ptr<_IDTExtensibility2> connection_;
  com::com_ptr<IRibbonExtensibility> ribbon_;
  com::com_ptr<IDispatch> dispatch_;
  com::com_ptr<IDispatch> com_addin_;
  std::vector<std::string> problems_;
  bool connected_ = false;
  startup_timings timings_;
};

}  // namespace mivo::outlookhost

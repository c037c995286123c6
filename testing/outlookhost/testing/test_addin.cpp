// A tiny COM add-in for the host's own tests: it connects as an Outlook
// add-in, sinks the application, inspectors, item and inspector events,
// offers a small ribbon whose "Switch" button shows and hides another, and
// writes every call into a log the test reads through test_addin_log().
// MIVO_TEST_ADDIN_CANCEL names events it cancels ("Send,ItemSend");
// MIVO_TEST_ADDIN_XML names a file whose text is its ribbon XML;
// MIVO_TEST_ADDIN_CRASH names a call in which it crashes ("OnConnection");
// MIVO_TEST_ADDIN_FAIL=OnConnection makes OnConnection fail;
// MIVO_TEST_ADDIN_LEAK=1 keeps a reference to Outlook's Application forever;
// MIVO_TEST_ADDIN_THROW=OnConnection lets a C++ exception out of it.
#include <windows.h>
#include <olectl.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "OfficeAddin.h"
#include "com/connection.h"
#include "com/event_sink.h"
#include "com/late_bound.h"
#include "com/module.h"
#include "com/object.h"
#include "win/wide_text.h"

namespace {

using namespace mivo::com;

// {6C2D9B51-3F0E-4A7C-9D1B-2E8F4A6B7C11}
const CLSID kClsid = {0x6c2d9b51, 0x3f0e, 0x4a7c, {0x9d, 0x1b, 0x2e, 0x8f, 0x4a, 0x6b, 0x7c, 0x11}};
const IID kApplicationEvents = {0x0006304E, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID kInspectorsEvents = {0x00063079, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID kItemEvents10 = {0x0006302B, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID kInspectorEvents = {0x0006307D, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

std::string log_text;
void log(const std::string& line) { log_text += line + "\n"; }

std::string setting(const char* name) {
  char value[512] = "";
  GetEnvironmentVariableA(name, value, sizeof(value));
  return value;
}
// Logs an event and sets its Cancel when MIVO_TEST_ADDIN_CANCEL lists it.
HRESULT seen(const std::string& source, const char* event, const event_args& args) {
  log(source + "." + event);
  if (("," + setting("MIVO_TEST_ADDIN_CANCEL") + ",").find(std::string(",") + event + ",") !=
      std::string::npos) {
    for (std::size_t i = 0; i < args.size(); ++i) args.set_bool(i, true);
  }
  return S_OK;
}

const char* item_event(DISPID id) {
  switch (id) {
    case 0xF001:
      return "Read";
    case 0xF002:
      return "Write";
    case 0xF003:
      return "Open";
    case 0xF004:
      return "Close";
    case 0xF005:
      return "Send";
    case 0xFA75:
      return "BeforeDelete";
  }
  return nullptr;  // PropertyChange and the like are left out of the log
}

class connector;

// One open window: its item's and its own events.
class tracker : public object_root, public IUnknown {
 public:
  using interfaces = interface_list<IUnknown>;
  void watch(IDispatch* inspector, connector* owner) {
    owner_ = owner;
    if (const auto item = as_dispatch(get(inspector, L"CurrentItem")))
      item_connection_.advise(item->get(), kItemEvents10, item_events_.unknown());
    inspector_connection_.advise(inspector, kInspectorEvents, inspector_events_.unknown());
  }
  HRESULT on_item(DISPID id, const event_args& args) {
    const char* event = item_event(id);
    return event ? seen("Item", event, args) : S_OK;
  }
  HRESULT on_inspector(DISPID id, const event_args& args);
  void stop() {
    item_connection_.reset();
    inspector_connection_.reset();
  }

 private:
  connector* owner_ = nullptr;
  event_sink<tracker> item_events_{*this, kItemEvents10, &tracker::on_item};
  event_sink<tracker> inspector_events_{*this, kInspectorEvents, &tracker::on_inspector};
  event_connection item_connection_;
  event_connection inspector_connection_;
};

// A 32x32 picture with an alpha channel, as Office wants ribbon images.
IDispatch* make_picture() {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = 32;
  info.bmiHeader.biHeight = 32;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  auto* pixel = static_cast<DWORD*>(bits);
  for (int i = 0; i < 32 * 32; ++i) {
    const int x = i % 32 - 16, y = i / 32 - 16;
    pixel[i] = x * x + y * y < 196 ? 0xFF1E78C8 : 0;
  }
  PICTDESC description{};
  description.cbSizeofstruct = sizeof(PICTDESC);
  description.picType = PICTYPE_BITMAP;
  description.bmp.hbitmap = bitmap;
  IDispatch* picture = nullptr;
  OleCreatePictureIndirect(&description, IID_IDispatch, TRUE, reinterpret_cast<void**>(&picture));
  return picture;
}

const char kDefaultXml[] =
    "<customUI xmlns='http://schemas.microsoft.com/office/2009/07/customui' onLoad='OnLoad' "
    "loadImage='LoadImage'><ribbon><tabs><tab idMso='TabHome'>"
    "<group id='Test_Group' label='Test add-in'>"
    "<button id='Test_Switch' label='Switch' size='large' image='Switch' onAction='OnAction' "
    "getVisible='GetVisible'/>"
    "<button id='Test_Shown' label='Shown after a switch' getVisible='GetVisible' "
    "onAction='OnAction'/>"
    "</group></tab></tabs></ribbon></customUI>";

class connector : public object_root, public _IDTExtensibility2, public IRibbonExtensibility {
 public:
  using interfaces =
      interface_list<_IDTExtensibility2, IRibbonExtensibility, via<IDispatch, _IDTExtensibility2>>;

  // The ribbon callbacks, by name: OnLoad 1, LoadImage 2, GetVisible 3, OnAction 4.
  STDMETHODIMP GetTypeInfoCount(UINT* count) override { return *count = 0, S_OK; }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID, DISPID* id) override {
    const wchar_t* known[] = {L"OnLoad", L"LoadImage", L"GetVisible", L"OnAction"};
    for (DISPID i = 0; i < 4; ++i) {
      if (lstrcmpiW(names[0], known[i]) == 0) return *id = i + 1, S_OK;
    }
    return DISP_E_UNKNOWNNAME;
  }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO*, UINT*) override {
    const VARIANT& argument = params->rgvarg[params->cArgs - 1];
    if (id == 1) {
      ribbon_ = as_dispatch(argument).value_or(nullptr).try_query<IRibbonUI>();
      log("OnLoad");
    } else if (id == 2) {
      log(std::string("LoadImage ") + (V_VT(&argument) & VT_BYREF ? "byref " : "") +
          as_text(argument).value_or("?"));
      V_VT(result) = VT_DISPATCH;
      V_DISPATCH(result) = make_picture();
    } else {
      const std::string control =
          as_text(get(as_dispatch(argument).value_or(nullptr), L"Id")).value_or("?");
      if (id == 3) {
        log("GetVisible " + control);
        V_VT(result) = VT_BOOL;
        V_BOOL(result) = control != "Test_Shown" || switched_ ? VARIANT_TRUE : VARIANT_FALSE;
      } else {
        log("OnAction " + control);
        switched_ = !switched_;
        if (ribbon_) ribbon_->InvalidateControl(mivo::win::bstr_from_utf8("Test_Shown").get());
      }
    }
    return S_OK;
  }

  STDMETHODIMP OnConnection(IDispatch* application, ext_ConnectMode mode, IDispatch* addin,
                            SAFEARRAY**) override {
    log("OnConnection " + std::to_string(mode) + (addin ? " with COMAddIn" : ""));
    if (setting("MIVO_TEST_ADDIN_CRASH") == "OnConnection")
      *static_cast<volatile int*>(nullptr) = 1;
    if (setting("MIVO_TEST_ADDIN_LEAK") == "1") application->AddRef();
    if (setting("MIVO_TEST_ADDIN_THROW") == "OnConnection") throw std::runtime_error("thrown");
    application_connection_.advise(application, kApplicationEvents, application_events_.unknown());
    if (const auto inspectors = as_dispatch(get(application, L"Inspectors")))
      inspectors_connection_.advise(inspectors->get(), kInspectorsEvents,
                                    inspectors_events_.unknown());
    return setting("MIVO_TEST_ADDIN_FAIL") == "OnConnection" ? E_FAIL : S_OK;
  }
  STDMETHODIMP OnDisconnection(ext_DisconnectMode mode, SAFEARRAY**) override {
    log("OnDisconnection " + std::to_string(mode));
    for (auto& t : trackers_) t->stop();
    trackers_.clear();
    application_connection_.reset();
    inspectors_connection_.reset();
    ribbon_.reset();
    return S_OK;
  }
  STDMETHODIMP OnAddInsUpdate(SAFEARRAY**) override { return S_OK; }
  STDMETHODIMP OnStartupComplete(SAFEARRAY**) override { return log("OnStartupComplete"), S_OK; }
  STDMETHODIMP OnBeginShutdown(SAFEARRAY**) override { return log("OnBeginShutdown"), S_OK; }

  STDMETHODIMP GetCustomUI(BSTR id, BSTR* xml) override {
    log("GetCustomUI " + mivo::win::bstr_to_utf8(id));
    std::string text = kDefaultXml;
    if (const std::string file = setting("MIVO_TEST_ADDIN_XML"); !file.empty()) {
      HANDLE handle = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
      char buffer[8192];
      DWORD read = 0;
      ReadFile(handle, buffer, sizeof(buffer), &read, nullptr);
      CloseHandle(handle);
      text.assign(buffer, read);
    }
    *xml = mivo::win::bstr_from_utf8(text).release();
    return S_OK;
  }

  void forget(tracker* done) {
    trackers_.erase(std::remove_if(trackers_.begin(), trackers_.end(),
                                   [&](const com_ptr<tracker>& t) { return t.get() == done; }),
                    trackers_.end());
  }

 private:
  HRESULT on_application(DISPID id, const event_args& args) {
    return seen("Application", id == 0xF002 ? "ItemSend" : id == 0xF006 ? "Startup" : "Quit", args);
  }
  HRESULT on_inspectors(DISPID, const event_args& args) {
    seen("Inspectors", "NewInspector", args);
    com_ptr<tracker> watcher;
    if (SUCCEEDED(make_instance(watcher))) {
      watcher->watch(as_dispatch(args[0]).value_or(nullptr).get(), this);
      trackers_.push_back(watcher);
    }
    return S_OK;
  }

  event_sink<connector> application_events_{*this, kApplicationEvents, &connector::on_application};
  event_sink<connector> inspectors_events_{*this, kInspectorsEvents, &connector::on_inspectors};
  event_connection application_connection_;
  event_connection inspectors_connection_;
  std::vector<com_ptr<tracker>> trackers_;
  com_ptr<IRibbonUI> ribbon_;
  bool switched_ = false;
};

HRESULT tracker::on_inspector(DISPID id, const event_args& args) {
  seen("Inspector", id == 0xF008 ? "Close" : id == 0xF001 ? "Activate" : "Deactivate", args);
  if (id == 0xF008) {
    stop();
    if (owner_) owner_->forget(this);
  }
  return S_OK;
}

}  // namespace

extern "C" {
__declspec(dllexport) HRESULT __stdcall DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  static const class_entry classes[] = {{&kClsid, class_factory<connector>::instance()}};
  return get_class_object(classes, clsid, iid, out);
}
__declspec(dllexport) HRESULT __stdcall DllCanUnloadNow() { return S_FALSE; }
__declspec(dllexport) const char* test_addin_log() { return log_text.c_str(); }
__declspec(dllexport) void test_addin_clear_log() { log_text.clear(); }
}

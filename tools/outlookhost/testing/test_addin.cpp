// A tiny COM add-in for the host's own tests: it connects as an Outlook
// add-in, sinks the application, inspectors, item and inspector events,
// offers a small ribbon whose "Switch" button shows and hides another, and
// writes every call into a log the test reads through test_addin_log().
// MIVO_TEST_ADDIN_CANCEL names events it cancels ("Send,ItemSend");
// MIVO_TEST_ADDIN_XML names a file whose text is its ribbon XML;
// MIVO_TEST_ADDIN_CRASH names a call in which it crashes ("OnConnection").
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <string>
#include <vector>

#include "OfficeAddin.h"

namespace {

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
bool listed(const char* variable, const std::string& name) {
  return ("," + setting(variable) + ",").find("," + name + ",") != std::string::npos;
}
void maybe_crash(const std::string& where) {
  if (setting("MIVO_TEST_ADDIN_CRASH") == where) *static_cast<volatile int*>(nullptr) = 1;
}

HRESULT get(IDispatch* object, const wchar_t* name, VARIANT* out) {
  DISPID id;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, 0, &id);
  if (FAILED(hr)) return hr;
  DISPPARAMS none{};
  return object->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, out, nullptr, nullptr);
}

// One advised event interface: logs "Source.DISPID" and cancels on request.
class sink final : public IDispatch {
 public:
  sink(IUnknown* source, const IID& diid, const char* name) : diid_(diid), name_(name) {
    IConnectionPointContainer* container = nullptr;
    if (SUCCEEDED(source->QueryInterface(IID_IConnectionPointContainer, (void**)&container))) {
      if (SUCCEEDED(container->FindConnectionPoint(diid, &point_))) point_->Advise(this, &cookie_);
      container->Release();
    }
  }
  void unadvise() {
    if (point_ && cookie_) point_->Unadvise(cookie_);
    cookie_ = 0;
    if (point_) point_->Release();
    point_ = nullptr;
  }
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    *out = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, diid_)
               ? this
               : nullptr;
    if (!*out) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override {
    ULONG left = --refs_;
    if (!left) delete this;
    return left;
  }
  STDMETHODIMP GetTypeInfoCount(UINT* n) override { return *n = 0, S_OK; }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                      UINT*) override;

 private:
  IID diid_;
  std::string name_;
  IConnectionPoint* point_ = nullptr;
  DWORD cookie_ = 0;
  ULONG refs_ = 1;
};

std::vector<sink*> sinks;

void advise(IUnknown* source, const IID& diid, const char* name) {
  sinks.push_back(new sink(source, diid, name));
}

const char* event_name(const std::string& source, DISPID id) {
  if (source == "Application") return id == 0xF002 ? "ItemSend" : id == 0xF006 ? "Startup" : "Quit";
  if (source == "Inspectors") return "NewInspector";
  if (source == "Inspector")
    return id == 0xF008 ? "Close" : id == 0xF001 ? "Activate" : "Deactivate";
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
    case 0xF008:
      return "CustomPropertyChange";
    case 0xF009:
      return "PropertyChange";
    case 0xFA75:
      return "BeforeDelete";
  }
  return "Unload";
}

STDMETHODIMP sink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                          UINT*) {
  const std::string event = event_name(name_, id);
  if (event == "PropertyChange" || event == "CustomPropertyChange") return S_OK;
  log(name_ + "." + event);
  for (UINT i = 0; i < params->cArgs; ++i) {
    VARIANT& arg = params->rgvarg[i];
    if (V_VT(&arg) == (VT_BOOL | VT_BYREF) && listed("MIVO_TEST_ADDIN_CANCEL", event))
      *V_BOOLREF(&arg) = VARIANT_TRUE;
  }
  if (event == "NewInspector") {
    IDispatch* inspector = V_DISPATCH(&params->rgvarg[0]);
    VARIANT item;
    VariantInit(&item);
    if (SUCCEEDED(get(inspector, L"CurrentItem", &item)) && V_VT(&item) == VT_DISPATCH) {
      advise(V_DISPATCH(&item), kItemEvents10, "Item");
      VariantClear(&item);
    }
    advise(inspector, kInspectorEvents, "Inspector");
  }
  return S_OK;
}

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
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      const bool inside = (x - 16) * (x - 16) + (y - 16) * (y - 16) < 196;
      pixel[y * 32 + x] = inside ? 0xFF1E78C8 : 0;
    }
  }
  PICTDESC description{};
  description.cbSizeofstruct = sizeof(PICTDESC);
  description.picType = PICTYPE_BITMAP;
  description.bmp.hbitmap = bitmap;
  IDispatch* picture = nullptr;
  OleCreatePictureIndirect(&description, IID_IDispatch, TRUE, (void**)&picture);
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

class connector final : public _IDTExtensibility2, public IRibbonExtensibility {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
        IsEqualIID(iid, __uuidof(_IDTExtensibility2)))
      *out = static_cast<_IDTExtensibility2*>(this);
    else if (IsEqualIID(iid, __uuidof(IRibbonExtensibility)))
      *out = static_cast<IRibbonExtensibility*>(this);
    else
      return *out = nullptr, E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override {
    ULONG left = --refs_;
    if (!left) delete this;
    return left;
  }
  STDMETHODIMP GetTypeInfoCount(UINT* n) override { return *n = 0, S_OK; }
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
    VARIANT& arg = params->rgvarg[params->cArgs - 1];
    if (id == 1) {
      V_DISPATCH(&arg)->QueryInterface(__uuidof(IRibbonUI), (void**)&ribbon_);
      log("OnLoad");
    } else if (id == 2) {
      BSTR name = V_VT(&arg) == (VT_BSTR | VT_BYREF) ? *V_BSTRREF(&arg) : V_BSTR(&arg);
      log(std::string("LoadImage ") + (V_VT(&arg) & VT_BYREF ? "byref " : "") +
          std::string(name, name + SysStringLen(name)));
      V_VT(result) = VT_DISPATCH;
      V_DISPATCH(result) = make_picture();
    } else {
      IRibbonControl* control = nullptr;
      V_DISPATCH(&arg)->QueryInterface(__uuidof(IRibbonControl), (void**)&control);
      BSTR text = nullptr;
      control->get_Id(&text);
      const std::wstring control_id(text, SysStringLen(text));
      SysFreeString(text);
      control->Release();
      const std::string name(control_id.begin(), control_id.end());
      if (id == 3) {
        log("GetVisible " + name);
        V_VT(result) = VT_BOOL;
        V_BOOL(result) = name != "Test_Shown" || switched_ ? VARIANT_TRUE : VARIANT_FALSE;
      } else {
        log("OnAction " + name);
        switched_ = !switched_;
        BSTR shown = SysAllocString(L"Test_Shown");
        if (ribbon_) ribbon_->InvalidateControl(shown);
        SysFreeString(shown);
      }
    }
    return S_OK;
  }
  STDMETHODIMP OnConnection(IDispatch* application, ext_ConnectMode mode, IDispatch* addin,
                            SAFEARRAY**) override {
    log("OnConnection " + std::to_string(mode) + (addin ? " with COMAddIn" : ""));
    maybe_crash("OnConnection");
    advise(application, kApplicationEvents, "Application");
    VARIANT inspectors;
    VariantInit(&inspectors);
    if (SUCCEEDED(get(application, L"Inspectors", &inspectors))) {
      advise(V_DISPATCH(&inspectors), kInspectorsEvents, "Inspectors");
      VariantClear(&inspectors);
    }
    return setting("MIVO_TEST_ADDIN_FAIL") == "OnConnection" ? E_FAIL : S_OK;
  }
  STDMETHODIMP OnDisconnection(ext_DisconnectMode mode, SAFEARRAY**) override {
    log("OnDisconnection " + std::to_string(mode));
    for (sink* s : sinks) {
      s->unadvise();
      s->Release();
    }
    sinks.clear();
    if (ribbon_) ribbon_->Release();
    ribbon_ = nullptr;
    return S_OK;
  }
  STDMETHODIMP OnAddInsUpdate(SAFEARRAY**) override { return S_OK; }
  STDMETHODIMP OnStartupComplete(SAFEARRAY**) override {
    log("OnStartupComplete");
    return S_OK;
  }
  STDMETHODIMP OnBeginShutdown(SAFEARRAY**) override {
    log("OnBeginShutdown");
    return S_OK;
  }
  STDMETHODIMP GetCustomUI(BSTR id, BSTR* xml) override {
    log("GetCustomUI " + std::string(id, id + SysStringLen(id)));
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
    std::wstring wide(text.begin(), text.end());
    *xml = SysAllocString(wide.c_str());
    return S_OK;
  }

 private:
  ULONG refs_ = 1;
  IRibbonUI* ribbon_ = nullptr;
  bool switched_ = false;
};

class factory final : public IClassFactory {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    *out = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory) ? this : nullptr;
    return *out ? S_OK : E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (outer) return CLASS_E_NOAGGREGATION;
    connector* made = new connector();
    HRESULT hr = made->QueryInterface(iid, out);
    made->Release();
    return hr;
  }
  STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

}  // namespace

extern "C" {
__declspec(dllexport) HRESULT __stdcall DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  static factory the_factory;
  if (!IsEqualCLSID(clsid, kClsid)) return CLASS_E_CLASSNOTAVAILABLE;
  return the_factory.QueryInterface(iid, out);
}
__declspec(dllexport) HRESULT __stdcall DllCanUnloadNow() { return S_FALSE; }
__declspec(dllexport) const char* test_addin_log() { return log_text.c_str(); }
__declspec(dllexport) void test_addin_clear_log() { log_text.clear(); }
}

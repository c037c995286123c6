// The ribbon host's documents, controls and callbacks.
//
// From Office's documentation: GetCustomUI is asked once per ribbon ID
// (the main window's at start-up, an inspector type's when its first window
// opens); markup that fails the schema is not applied at all; onLoad gets
// the IRibbonUI once the markup loaded; get* answers are cached until
// Invalidate (every control of the add-in) or InvalidateControl (one id),
// which reach every open window; a callback name is resolved with
// GetIDsOfNames and called with Invoke, arguments last first. A missing
// callback fails silently in Office unless its "show add-in user interface
// errors" option is on; the host always reports it.
// Chosen where the documentation is silent: callbacks are invoked as a
// script calls a method (DISPATCH_METHOD | DISPATCH_PROPERTYGET); loadImage's name goes as
// VT_BSTR|VT_BYREF, the shape of its documented C++ signature ([in] BSTR*); controls of every tab
// are asked at once, as if every tab were on show; an InvalidateControl id that no window holds is
// ignored.
#include "ribbon_host.h"

#include <algorithm>
#include <chrono>
#include <set>

#include "OfficeAddin.h"
#include "addin_calls.h"
#include "com/late_bound.h"
#include "automation.h"
#include "win/wide_text.h"
#include "xml_reader.h"

namespace mivo::outlookhost {

using win::to_utf8;
using win::to_wide;

namespace {

using clock_type = std::chrono::steady_clock;

double since(clock_type::time_point start) {
  return std::chrono::duration<double, std::milli>(clock_type::now() - start).count();
}

const std::set<std::string>& drawn_controls() {
  static const std::set<std::string> kinds = {"button", "toggleButton", "checkBox", "labelControl",
                                              "separator"};
  return kinds;
}

std::string control_id(const RibbonNode& node) {
  for (const char* name : {"id", "idQ", "idMso"}) {
    if (node.has(name)) return node.attribute(name);
  }
  return "";
}

ribbon_control make_entry(ribbon_document& document, const RibbonNode& node,
                          const RibbonNode* group, const RibbonNode* tab) {
  ribbon_control entry;
  entry.document = &document;
  entry.node = &node;
  entry.group = group;
  entry.tab = tab;
  entry.id = control_id(node);
  return entry;
}

}  // namespace

// IRibbonUI handed to onLoad. It reaches the host until the add-in is
// disconnected; after that its methods do nothing.
class ribbon_ui_object final : public automation<IRibbonUI> {
 public:
  ribbon_ui_object(ribbon_host* host, loaded_addin* addin) : host_(host), addin_(addin) {}
  void detach() { host_ = nullptr; }

  STDMETHODIMP Invalidate() noexcept override {
    if (host_) host_->invalidate(addin_, "");
    return S_OK;
  }
  STDMETHODIMP InvalidateControl(BSTR id) noexcept override try {
    if (host_) host_->invalidate(addin_, to_utf8(id ? id : L""));
    return S_OK;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
  STDMETHODIMP InvalidateControlMso(BSTR) noexcept override {
    return unmodelled("InvalidateControlMso");
  }
  STDMETHODIMP ActivateTab(BSTR) noexcept override { return unmodelled("ActivateTab"); }
  STDMETHODIMP ActivateTabMso(BSTR) noexcept override { return unmodelled("ActivateTabMso"); }
  STDMETHODIMP ActivateTabQ(BSTR, BSTR) noexcept override { return unmodelled("ActivateTabQ"); }

 protected:
  const char* type_name() const noexcept override { return "IRibbonUI"; }
  bool answers(REFIID iid) const noexcept override { return IsEqualIID(iid, __uuidof(IRibbonUI)); }
  const std::vector<member>& members() const override {
    static const std::vector<member> table = {
        {L"Invalidate", 1, member_kind::method, 0, 0},
        {L"InvalidateControl", 2, member_kind::method, 1, 1},
        {L"InvalidateControlMso", 3, member_kind::method, 1, 1},
        {L"ActivateTab", 4, member_kind::method, 1, 1},
        {L"ActivateTabMso", 5, member_kind::method, 1, 1},
        {L"ActivateTabQ", 6, member_kind::method, 2, 2},
    };
    return table;
  }
  void invoke(DISPID id, WORD, const arguments& args, result&) override {
    switch (id) {
      case 1:
        Invalidate();
        return;
      case 2: {
        com::unique_bstr text(SysAllocString(args.text(0).c_str()));
        InvalidateControl(text.get());
        return;
      }
      default:
        unmodelled("its members other than Invalidate and InvalidateControl");
    }
  }

 private:
  HRESULT unmodelled(const char* what) {
    Diagnostics::unmodelled(std::string("IRibbonUI.") + what + " (tabs are not switched)");
    return S_OK;
  }
  ribbon_host* host_;
  loaded_addin* addin_;
};

namespace {

// IRibbonControl for one callback: the control's id, its window and tag.
class ribbon_control_object final : public automation<IRibbonControl> {
 public:
  ribbon_control_object(std::wstring id, com::com_ptr<IDispatch> context, std::wstring tag)
      : id_(std::move(id)), context_(std::move(context)), tag_(std::move(tag)) {}

  STDMETHODIMP get_Id(BSTR* out) noexcept override { return copy(id_, out); }
  STDMETHODIMP get_Context(IDispatch** out) noexcept override {
    if (!out) return E_POINTER;
    *out = context_.get();
    if (*out) (*out)->AddRef();
    return S_OK;
  }
  STDMETHODIMP get_Tag(BSTR* out) noexcept override { return copy(tag_, out); }

 protected:
  const char* type_name() const noexcept override { return "IRibbonControl"; }
  bool answers(REFIID iid) const noexcept override {
    return IsEqualIID(iid, __uuidof(IRibbonControl));
  }
  const std::vector<member>& members() const override {
    static const std::vector<member> table = {
        {L"Id", 1, member_kind::get},
        {L"Context", 2, member_kind::get},
        {L"Tag", 3, member_kind::get},
    };
    return table;
  }
  void invoke(DISPID id, WORD, const arguments&, result& out) override {
    switch (id) {
      case 1:
        out.text(id_);
        return;
      case 2:
        out.object(context_.get());
        return;
      case 3:
        out.text(tag_);
        return;
    }
  }

 private:
  static HRESULT copy(const std::wstring& text, BSTR* out) {
    if (!out) return E_POINTER;
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
  }
  std::wstring id_;
  com::com_ptr<IDispatch> context_;
  std::wstring tag_;
};

// What a picture from the add-in is, read through IPicture.
bool inspect_picture(const VARIANT& value, ribbon_picture& out) {
  IUnknown* unknown = V_VT(&value) == VT_DISPATCH  ? V_DISPATCH(&value)
                      : V_VT(&value) == VT_UNKNOWN ? V_UNKNOWN(&value)
                                                   : nullptr;
  if (!unknown) return false;
  if (FAILED(unknown->QueryInterface(IID_IPicture, out.picture.put_void())) || !out.picture)
    return false;
  OLE_HANDLE handle = 0;
  if (FAILED(out.picture->get_Type(&out.type)) || FAILED(out.picture->get_Handle(&handle)))
    return false;
  out.handle = reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(handle));
  if (out.type == PICTYPE_BITMAP) {
    BITMAP bitmap{};
    if (!GetObjectW(out.handle, sizeof(bitmap), &bitmap)) return false;
    out.width = bitmap.bmWidth;
    out.height = bitmap.bmHeight;
    out.bits = bitmap.bmBitsPixel;
    if (out.bits == 32) {
      BITMAPINFO info{};
      info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
      info.bmiHeader.biWidth = out.width;
      info.bmiHeader.biHeight = -out.height;  // top-down
      info.bmiHeader.biPlanes = 1;
      info.bmiHeader.biBitCount = 32;
      info.bmiHeader.biCompression = BI_RGB;
      std::vector<DWORD> pixels(static_cast<std::size_t>(out.width) * out.height);
      HDC screen = GetDC(nullptr);
      GetDIBits(screen, static_cast<HBITMAP>(out.handle), 0, out.height, pixels.data(), &info,
                DIB_RGB_COLORS);
      ReleaseDC(nullptr, screen);
      out.alpha = std::any_of(pixels.begin(), pixels.end(), [](DWORD p) { return (p >> 24) != 0; });
    }
  } else if (out.type == PICTYPE_ICON) {
    ICONINFO info{};
    if (GetIconInfo(static_cast<HICON>(out.handle), &info)) {
      BITMAP bitmap{};
      GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bitmap), &bitmap);
      out.width = bitmap.bmWidth;
      out.height = info.hbmColor ? bitmap.bmHeight : bitmap.bmHeight / 2;
      out.bits = bitmap.bmBitsPixel;
      if (info.hbmColor) DeleteObject(info.hbmColor);
      if (info.hbmMask) DeleteObject(info.hbmMask);
    }
  }
  return true;
}

}  // namespace

std::string ribbon_picture::describe() const {
  if (type == PICTYPE_ICON) return std::to_string(width) + "x" + std::to_string(height) + " icon";
  std::string text = std::to_string(width) + "x" + std::to_string(height) + " bitmap, " +
                     std::to_string(bits) + "-bit";
  if (bits == 32) text += alpha ? ", alpha channel used" : ", alpha channel empty (drawn opaque)";
  return text;
}

bool ribbon_host::shown(HWND window, const ribbon_control& control) const {
  auto found = views_.find(window);
  if (!control.visible || found == views_.end()) return false;
  for (const auto& other : found->second.controls) {
    if ((other.node == control.group || other.node == control.tab) && !other.visible) return false;
  }
  return true;
}

ribbon_host::ribbon_host() = default;

ribbon_host::~ribbon_host() {
  for (auto& document : documents_) {
    if (document->ui) static_cast<ribbon_ui_object*>(document->ui.get())->detach();
  }
}

void ribbon_host::problem(ribbon_document& document, const std::string& text) {
  if (std::find(document.problems.begin(), document.problems.end(), text) !=
      document.problems.end())
    return;
  document.problems.push_back(text);
  if (on_problem)
    on_problem(to_utf8(document.addin->registration().prog_id) + " (" +
               to_utf8(document.ribbon_id) + "): " + text);
}

bool ribbon_host::loaded(loaded_addin& addin, const std::wstring& ribbon_id) const {
  return std::any_of(documents_.begin(), documents_.end(), [&](const auto& d) {
    return d->addin == &addin && d->ribbon_id == ribbon_id;
  });
}

ribbon_document* ribbon_host::load(loaded_addin& addin, const std::wstring& ribbon_id,
                                   double* xml_ms, double* load_ms) {
  for (auto& existing : documents_) {
    if (existing->addin == &addin && existing->ribbon_id == ribbon_id)
      return existing->xml.empty() ? nullptr : existing.get();
  }
  documents_.push_back(std::make_unique<ribbon_document>());
  ribbon_document& document = *documents_.back();
  document.addin = &addin;
  document.ribbon_id = ribbon_id;
  if (!addin.ribbon()) return nullptr;

  auto started = clock_type::now();
  com::unique_bstr xml;
  const com::unique_bstr id(SysAllocString(ribbon_id.c_str()));
  const HRESULT hr =
      addin_calls::run("IRibbonExtensibility::GetCustomUI(" + to_utf8(ribbon_id) + ")",
                       [&] { return addin.ribbon()->GetCustomUI(id.get(), xml.put()); });
  if (xml_ms) *xml_ms += since(started);
  if (FAILED(hr)) problem(document, "GetCustomUI failed with " + hex_code(hr));
  if (xml) document.xml.assign(xml.get(), SysStringLen(xml.get()));
  if (document.xml.empty()) return nullptr;

  started = clock_type::now();
  XmlElement root;
  std::string error;
  if (!read_xml(document.xml, root, error)) {
    document.markup.errors.push_back(error);
  } else {
    document.markup = check_ribbon_markup(root);
  }
  for (const auto& text : document.markup.errors) problem(document, "error: " + text);
  for (const auto& text : document.markup.warnings) problem(document, "warning: " + text);
  if (!document.applied()) {
    problem(document, "the markup is not applied: none of its controls appears");
    if (load_ms) *load_ms += since(started);
    return &document;
  }

  IDispatch* callbacks = addin.callbacks();
  if (!callbacks) problem(document, "the connect object has no IDispatch: no callback can run");
  for (const auto& use : document.markup.callbacks) {
    if (!callbacks || document.callbacks.count(use.name)) continue;
    std::wstring name = to_wide(use.name);
    LPOLESTR names[] = {name.data()};
    DISPID dispid = DISPID_UNKNOWN;
    const HRESULT found =
        callbacks->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &dispid);
    if (SUCCEEDED(found))
      document.callbacks.insert(use.name);
    else
      problem(document, "line " + std::to_string(use.line) + ": " + use.attribute + "=\"" +
                            use.name + "\": the add-in's IDispatch has no such name (" +
                            hex_code(found) + "); Office never calls it");
  }

  const std::string& on_load = document.markup.root.attribute("onLoad");
  auto ui = make<ribbon_ui_object>(this, &addin);
  document.ui = com::com_ptr<IRibbonUI>(ui.get());
  if (!on_load.empty())
    call(document, on_load, "onLoad", "", com::argument(document.ui.get()), nullptr);
  if (load_ms) *load_ms += since(started);
  return &document;
}

void ribbon_host::unload(loaded_addin& addin) {
  for (auto& [window, v] : views_) {
    v.controls.erase(
        std::remove_if(v.controls.begin(), v.controls.end(),
                       [&](const ribbon_control& c) { return c.document->addin == &addin; }),
        v.controls.end());
    v.documents.erase(std::remove_if(v.documents.begin(), v.documents.end(),
                                     [&](ribbon_document* d) { return d->addin == &addin; }),
                      v.documents.end());
  }
  for (auto& document : documents_) {
    if (document->addin == &addin && document->ui)
      static_cast<ribbon_ui_object*>(document->ui.get())->detach();
  }
  documents_.erase(std::remove_if(documents_.begin(), documents_.end(),
                                  [&](const auto& d) { return d->addin == &addin; }),
                   documents_.end());
}

void ribbon_host::add_controls(view& window, ribbon_document& document) {
  if (!document.applied()) return;
  window.documents.push_back(&document);
  const RibbonNode* ribbon = nullptr;
  for (const auto& child : document.markup.root.children) {
    if (child.element == "ribbon") ribbon = &child;
  }
  if (!ribbon) return;
  for (const auto& part : ribbon->children) {
    if (part.element != "tabs") continue;
    for (const auto& tab : part.children) {
      window.controls.push_back(make_entry(document, tab, nullptr, nullptr));
      for (const auto& group : tab.children) {
        window.controls.push_back(make_entry(document, group, nullptr, &tab));
        for (const auto& control : group.children) {
          if (!drawn_controls().count(control.element)) {
            Diagnostics::unmodelled("ribbon <" + control.element + "> controls are not drawn");
            continue;
          }
          window.controls.push_back(make_entry(document, control, &group, &tab));
        }
      }
    }
  }
}

void ribbon_host::attach(HWND window, IDispatch* context, const std::wstring& ribbon_id) {
  view& v = views_[window];
  v.context = com::com_ptr<IDispatch>(context);
  v.ribbon_id = ribbon_id;
  add_new_documents(window);
}

void ribbon_host::add_new_documents(HWND window) {
  auto found = views_.find(window);
  if (found == views_.end()) return;
  view& v = found->second;
  for (auto& document : documents_) {
    if (document->ribbon_id != v.ribbon_id) continue;
    if (std::find(v.documents.begin(), v.documents.end(), document.get()) != v.documents.end())
      continue;
    add_controls(v, *document);
  }
}

void ribbon_host::detach(HWND window) { views_.erase(window); }

std::vector<ribbon_control>& ribbon_host::controls(HWND window) {
  static std::vector<ribbon_control> none;
  auto found = views_.find(window);
  if (found != views_.end()) return found->second.controls;
  none.clear();
  return none;
}

const std::wstring& ribbon_host::ribbon_id(HWND window) const {
  static const std::wstring none;
  auto found = views_.find(window);
  return found == views_.end() ? none : found->second.ribbon_id;
}

com::com_ptr<IDispatch> ribbon_host::make_control(const view& window,
                                                  const ribbon_control& control) {
  return com::com_ptr<IDispatch>(
      make<ribbon_control_object>(to_wide(control.id), window.context,
                                  to_wide(control.node->attribute("tag")))
          .get());
}

HRESULT ribbon_host::call(ribbon_document& document, const std::string& name, const char* attribute,
                          const std::string& control, const com::argument& argument,
                          com::unique_variant* out) {
  IDispatch* callbacks = document.addin->callbacks();
  if (!document.callbacks.count(name) || !callbacks) return DISP_E_UNKNOWNNAME;
  const std::wstring member = to_wide(name);
  const std::string what =
      std::string(attribute) + " " + name + (control.empty() ? "" : "(" + control + ")");
  const HRESULT hr = addin_calls::run(what, [&] {
    com::dispatch_result answer = com::call(callbacks, member.c_str(), argument);
    const HRESULT called = answer.hr();
    if (out) *out = std::move(static_cast<com::unique_variant&>(answer));
    return called;
  });
  if (FAILED(hr)) problem(document, what + " failed with " + hex_code(hr));
  return hr;
}

const ribbon_picture* ribbon_host::load_image(ribbon_document& document, const std::string& name) {
  auto cached = document.images.find(name);
  if (cached != document.images.end()) return cached->second.picture ? &cached->second : nullptr;
  ribbon_picture& picture = document.images[name];
  const std::string& callback = document.markup.root.attribute("loadImage");
  if (callback.empty()) return nullptr;
  com::unique_bstr image_name(SysAllocString(to_wide(name).c_str()));
  VARIANT by_reference;
  VariantInit(&by_reference);
  V_VT(&by_reference) = VT_BSTR | VT_BYREF;
  V_BSTRREF(&by_reference) = image_name.addressof();
  com::unique_variant answer;
  if (FAILED(call(document, callback, "loadImage", name, com::argument(by_reference), &answer)))
    return nullptr;
  if (!inspect_picture(answer, picture)) {
    problem(document, "loadImage " + callback + "(" + name + ") gave no picture");
    picture = ribbon_picture{};
    return nullptr;
  }
  return &picture;
}

void ribbon_host::answer(view& window, ribbon_control& control) {
  ribbon_document& document = *control.document;
  const RibbonNode& node = *control.node;
  const auto control_object = make_control(window, control);
  const auto ask_bool = [&](const char* getter, const char* fixed, bool fallback) {
    bool value = fallback;
    ribbon_boolean(node.attribute(fixed), value);
    const std::string& name = node.attribute(getter);
    if (name.empty()) return value;
    com::unique_variant answer;
    if (FAILED(
            call(document, name, getter, control.id, com::argument(control_object.get()), &answer)))
      return value;
    if (V_VT(&answer) != VT_BOOL) {
      problem(document, std::string(getter) + " " + name + "(" + control.id +
                            ") returned VARTYPE " + std::to_string(V_VT(&answer)) +
                            ", not VT_BOOL");
      return value;
    }
    return V_BOOL(&answer) != VARIANT_FALSE;
  };
  control.visible = ask_bool("getVisible", "visible", true);
  control.enabled = ask_bool("getEnabled", "enabled", true);
  control.label = node.attribute("label");
  if (const std::string& name = node.attribute("getLabel"); !name.empty()) {
    com::unique_variant answer;
    if (SUCCEEDED(call(document, name, "getLabel", control.id, com::argument(control_object.get()),
                       &answer)) &&
        V_VT(&answer) == VT_BSTR)
      control.label = to_utf8(V_BSTR(&answer) ? V_BSTR(&answer) : L"");
  }
  if (const std::string& name = node.attribute("getImage"); !name.empty()) {
    com::unique_variant answer;
    ribbon_picture& picture = document.images["#getImage " + control.id];
    picture = ribbon_picture{};
    if (SUCCEEDED(call(document, name, "getImage", control.id, com::argument(control_object.get()),
                       &answer)) &&
        inspect_picture(answer, picture))
      control.picture = &picture;
  } else if (node.has("image")) {
    control.picture = load_image(document, node.attribute("image"));
  }
  control.stale = false;
}

bool ribbon_host::refresh(HWND window, double* callbacks_ms, double* pictures_ms) {
  auto found = views_.find(window);
  if (found == views_.end()) return false;
  view& v = found->second;
  bool changed = false;
  // Pictures first, so their time is counted apart from the callbacks'.
  auto started = clock_type::now();
  for (auto& control : v.controls) {
    if (control.stale && control.node->has("image") && !control.node->has("getImage"))
      load_image(*control.document, control.node->attribute("image"));
  }
  if (pictures_ms) *pictures_ms += since(started);
  started = clock_type::now();
  for (auto& control : v.controls) {
    if (!control.stale) continue;
    const ribbon_control before = control;
    answer(v, control);
    changed = changed || before.visible != control.visible || before.label != control.label ||
              before.enabled != control.enabled || before.picture != control.picture;
  }
  if (callbacks_ms) *callbacks_ms += since(started);
  return changed;
}

bool ribbon_host::click(HWND window, const ribbon_control& control) {
  const std::string& name = control.node->attribute("onAction");
  if (name.empty()) return false;
  auto found = views_.find(window);
  if (found == views_.end()) return false;
  const auto control_object = make_control(found->second, control);
  call(*control.document, name, "onAction", control.id, com::argument(control_object.get()),
       nullptr);
  return true;
}

void ribbon_host::invalidate(loaded_addin* addin, const std::string& id) {
  bool found = false;
  for (auto& [window, v] : views_) {
    for (auto& control : v.controls) {
      if (control.document->addin != addin || (!id.empty() && control.id != id)) continue;
      control.stale = true;
      found = true;
    }
  }
  if (found && on_stale) on_stale();
}

}  // namespace mivo::outlookhost

// The Office ribbon host: asks each add-in for its XML once per ribbon ID,
// checks it, calls onLoad with an IRibbonUI, and keeps for every window the
// add-in's controls with the answers of their callbacks (getVisible,
// getEnabled, getLabel, getImage) until IRibbonUI.Invalidate or
// InvalidateControl drops them; loadImage pictures are loaded once per
// document; onAction runs on a click. Callbacks are called by name through
// the connect object's IDispatch, as Office calls them.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "addin_loader.h"
#include "com/late_bound.h"
#include "ribbon_markup.h"

namespace mivo::outlookhost {

inline constexpr wchar_t kExplorerRibbon[] = L"Microsoft.Outlook.Explorer";
inline constexpr wchar_t kAppointmentRibbon[] = L"Microsoft.Outlook.Appointment";
inline constexpr wchar_t kMeetingRequestRibbon[] = L"Microsoft.Outlook.MeetingRequest.Read";

// A picture an add-in handed over (loadImage or getImage).
struct ribbon_picture {
  com::com_ptr<IPicture> picture;
  short type = PICTYPE_NONE;
  HANDLE handle = nullptr;
  int width = 0;
  int height = 0;
  int bits = 0;
  bool alpha = false;  // a 32-bit bitmap whose alpha channel is used
  std::string describe() const;
};

class ribbon_ui_object;

// One add-in's XML for one ribbon ID.
struct ribbon_document {
  loaded_addin* addin = nullptr;
  std::wstring ribbon_id;
  std::wstring xml;
  RibbonMarkup markup;
  std::vector<std::string> problems;  // everything Office shows with its UI errors option
  com::com_ptr<IRibbonUI> ui;
  std::set<std::string> callbacks;  // the names the add-in's IDispatch knows
  std::map<std::string, ribbon_picture> images;
  bool applied() const { return markup.usable() && !xml.empty(); }
};

// One control of a window's ribbon, with the answers of its callbacks.
struct ribbon_control {
  ribbon_document* document = nullptr;
  const RibbonNode* node = nullptr;
  const RibbonNode* group = nullptr;
  const RibbonNode* tab = nullptr;
  std::string id;  // id, or idMso / idQ for built-in ones
  bool visible = true;
  bool enabled = true;
  std::string label;
  const ribbon_picture* picture = nullptr;
  bool stale = true;
};

class ribbon_host {
 public:
  ribbon_host();
  ~ribbon_host();

  // Called whenever controls went stale: the windows schedule a refresh.
  std::function<void()> on_stale;
  // Problems as they happen, for the report and the console.
  std::function<void(const std::string&)> on_problem;

  // GetCustomUI, the checks and onLoad for one add-in and ribbon ID, once
  // (a later call returns the same document). Null when the add-in gives
  // no XML for the ID.
  ribbon_document* load(loaded_addin& addin, const std::wstring& ribbon_id,
                        double* xml_ms = nullptr, double* load_ms = nullptr);
  // The add-in was disconnected: its controls leave every window.
  void unload(loaded_addin& addin);
  bool loaded(loaded_addin& addin, const std::wstring& ribbon_id) const;

  // Windows. `context` is what IRibbonControl.Context gives (the explorer
  // or the inspector).
  void attach(HWND window, IDispatch* context, const std::wstring& ribbon_id);
  void detach(HWND window);
  // Adds the controls of documents loaded since the window was attached.
  void add_new_documents(HWND window);
  // Calls the callbacks of stale controls (all of them the first time);
  // true when anything the window shows changed. The times of the
  // callbacks and of loadImage are added to the counters given.
  bool refresh(HWND window, double* callbacks_ms = nullptr, double* pictures_ms = nullptr);
  std::vector<ribbon_control>& controls(HWND window);
  // Visible itself and in a visible group and tab.
  bool shown(HWND window, const ribbon_control& control) const;
  const std::wstring& ribbon_id(HWND window) const;
  // onAction of the control; false when the control has none.
  bool click(HWND window, const ribbon_control& control);

  // From IRibbonUI: the add-in's controls of that id (every one when the id
  // is empty) are asked again in every window.
  void invalidate(loaded_addin* addin, const std::string& id);

 private:
  struct view {
    com::com_ptr<IDispatch> context;
    std::wstring ribbon_id;
    std::vector<ribbon_control> controls;
    std::vector<ribbon_document*> documents;
  };

  void problem(ribbon_document& document, const std::string& text);
  void add_controls(view& window, ribbon_document& document);
  HRESULT call(ribbon_document& document, const std::string& name, const char* attribute,
               const std::string& control, const com::argument& argument, com::unique_variant* out);
  void answer(view& window, ribbon_control& control);
  const ribbon_picture* load_image(ribbon_document& document, const std::string& name);
  com::com_ptr<IDispatch> make_control(const view& window, const ribbon_control& control);

  std::vector<std::unique_ptr<ribbon_document>> documents_;
  std::map<HWND, view> views_;
};

}  // namespace mivo::outlookhost

// Automation objects of the host: Outlook, Word and Office objects that
// answer IDispatch by name with the documented DISPIDs, check invocation
// kinds and argument counts as a type-library-driven IDispatch does, raise
// errors as EXCEPINFO, and answer QueryInterface for the dual interface IIDs
// an add-in asks for.
//
// Outlook's and Word's interfaces are dual, but the host answers only their
// IDispatch part: the add-in calls them by name. A call through a vtable
// slot past IDispatch lands in a trap that reports the slot instead of
// jumping into nothing. On x64 the caller removes the arguments, so one trap
// fits every signature and returns E_NOTIMPL; on x86 (stdcall) the callee
// removes them and a trap cannot know how many, so it ends the host as a
// crash would (exit code 3) rather than return onto a wrong stack.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <atomic>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "com/com_ptr.h"
#include "com/unique.h"

namespace mivo::outlookhost {

// What the add-in did that the host does not model or that Outlook refused,
// collected for the scenario's report. One process, one UI thread.
class Diagnostics {
 public:
  static void note(std::string line);        // an error Outlook raised to its caller
  static void unmodelled(std::string line);  // a member or slot the host lacks
  // Lines since the last take, in order; unmodelled ones once per text.
  static std::vector<std::string> take();
};

// An error an Outlook or Word member raises: Invoke returns
// DISP_E_EXCEPTION with this text and code in EXCEPINFO.
class automation_error : public std::runtime_error {
 public:
  explicit automation_error(const std::string& text, HRESULT code = E_FAIL)
      : std::runtime_error(text), code_(code) {}
  HRESULT code() const noexcept { return code_; }

 private:
  HRESULT code_;
};

// How a member may be invoked, as its type library entry would say.
enum class member_kind { get, get_put, method, put };

struct member {
  const wchar_t* name;
  DISPID id;
  member_kind kind;
  unsigned min_args = 0;  // for a method: required, then optional up to max_args
  unsigned max_args = 0;  // for a property: its index arguments
};

// The arguments of one Invoke in natural order (index 0 is the first).
// Readers convert as oleaut32 does and throw invoke_failure on a mismatch.
class arguments {
 public:
  arguments(const DISPPARAMS* params, bool put);
  unsigned count() const noexcept { return count_; }
  bool missing(unsigned index) const noexcept;
  // The argument's type, by-reference ones read through; VT_EMPTY if absent.
  VARTYPE type(unsigned index) const noexcept;
  std::wstring text(unsigned index) const;
  long integer(unsigned index) const;
  double number(unsigned index) const;
  double date(unsigned index) const;
  bool boolean(unsigned index) const;
  com::com_ptr<IDispatch> object(unsigned index) const;  // may be null
  // The value a property put assigns.
  const VARIANT& put_value() const;
  std::wstring put_text() const;
  long put_integer() const;
  double put_number() const;
  double put_date() const;
  bool put_boolean() const;

 private:
  const VARIANT& raw(unsigned index) const;
  void convert(const VARIANT& from, VARTYPE type, unsigned index, VARIANT& to) const;

  const DISPPARAMS* params_;
  unsigned count_;
  bool put_;
};

// A conversion or count failure of one argument, as Invoke reports it.
struct invoke_failure {
  HRESULT code;
  unsigned index;  // natural order; Invoke reports the rgvarg position
};

// Results of a property get or method call.
class result {
 public:
  explicit result(VARIANT* slot) : slot_(slot) {}
  void text(const std::wstring& value);
  void integer(long value);
  void number(double value);
  void date(double value);
  void boolean(bool value);
  void object(IDispatch* value);  // null gives a VT_DISPATCH of nothing, as Outlook's Nothing
  void variant(const VARIANT& value);

 private:
  VARIANT* slot_;
};

// Traps for vtable slots 7 to 199: each reports its slot.
class trapped_dispatch : public IDispatch {
 public:
#define MIVO_TRAP(n) \
  virtual HRESULT STDMETHODCALLTYPE vtable_slot_##n() { return vtable_call(n); }
#define MIVO_TRAP10(t) \
  MIVO_TRAP(t##0)      \
  MIVO_TRAP(t##1)      \
  MIVO_TRAP(t##2)      \
  MIVO_TRAP(t##3)      \
  MIVO_TRAP(t##4) MIVO_TRAP(t##5) MIVO_TRAP(t##6) MIVO_TRAP(t##7) MIVO_TRAP(t##8) MIVO_TRAP(t##9)
  MIVO_TRAP(7)
  MIVO_TRAP(8)
  MIVO_TRAP(9)
  MIVO_TRAP10(1)
  MIVO_TRAP10(2)
  MIVO_TRAP10(3)
  MIVO_TRAP10(4)
  MIVO_TRAP10(5)
  MIVO_TRAP10(6)
  MIVO_TRAP10(7) MIVO_TRAP10(8) MIVO_TRAP10(9) MIVO_TRAP10(10) MIVO_TRAP10(11) MIVO_TRAP10(12)
      MIVO_TRAP10(13) MIVO_TRAP10(14) MIVO_TRAP10(15) MIVO_TRAP10(16) MIVO_TRAP10(17)
          MIVO_TRAP10(18) MIVO_TRAP10(19)
#undef MIVO_TRAP10
#undef MIVO_TRAP

              protected : virtual ~trapped_dispatch() = default;
  virtual const char* type_name() const noexcept = 0;

 private:
  HRESULT vtable_call(int slot) noexcept;
};

// How many of the host's Outlook, Word and Office objects exist: after
// shut-down, the ones an add-in still holds.
inline std::atomic<long> live_automation_objects{0};

// IUnknown and IDispatch of an automation object whose first interface is
// Primary (trapped_dispatch for Outlook and Word objects, IRibbonUI or
// IRibbonControl for the ribbon's). Subclasses give the member table, the
// dual IIDs they answer, any further interfaces, and invoke().
template <class Primary>
class automation : public Primary {
 public:
  automation(const automation&) = delete;
  automation& operator=(const automation&) = delete;

  STDMETHODIMP QueryInterface(REFIID iid, void** out) noexcept override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || answers(iid))
      *out = static_cast<Primary*>(this);
    if (!*out) *out = other_interface(iid);
    if (!*out) return E_NOINTERFACE;
    static_cast<IUnknown*>(*out)->AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() noexcept override { return ++references_; }
  STDMETHODIMP_(ULONG) Release() noexcept override {
    const ULONG count = --references_;
    if (count == 0) delete this;
    return count;
  }

  STDMETHODIMP GetTypeInfoCount(UINT* count) noexcept override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) noexcept override {
    if (info) *info = nullptr;
    return DISP_E_BADINDEX;
  }
  STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID,
                             DISPID* ids) noexcept override;
  STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* out,
                      EXCEPINFO* exception, UINT* arg_error) noexcept override;

  // Runs a member as Invoke would, for the vtable methods of the ribbon's
  // interfaces.
  HRESULT call_member(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* out) noexcept {
    return Invoke(id, IID_NULL, 0, flags, params, out, nullptr, nullptr);
  }

 protected:
  automation() { ++live_automation_objects; }
  virtual ~automation() { --live_automation_objects; }

  virtual const char* type_name() const noexcept = 0;
  virtual const std::vector<member>& members() const = 0;
  // The interfaces answered by the primary one: Outlook's dual interface
  // IIDs, or the ribbon interface itself.
  virtual bool answers(REFIID iid) const noexcept = 0;
  // Further interfaces with vtables of their own (connection points).
  virtual void* other_interface(REFIID) noexcept { return nullptr; }
  // Runs the member; `args` has been checked against its table entry.
  virtual void invoke(DISPID id, WORD flags, const arguments& args, result& out) = 0;

 private:
  std::atomic<ULONG> references_{1};
};

// The Outlook and Word objects' base.
class dispatch_object : public automation<trapped_dispatch> {
 protected:
  const char* type_name() const noexcept override = 0;
};

// Creates an object with one reference held by the returned pointer.
template <class T, class... Args>
com::com_ptr<T> make(Args&&... args) {
  com::com_ptr<T> created;
  created.attach(new T(std::forward<Args>(args)...));
  return created;
}

// Invoke's core for every automation<Primary>: name lookup and the checks
// a type library would make.
HRESULT dispatch_names(const char* type, const std::vector<member>& members, LPOLESTR* names,
                       UINT count, DISPID* ids) noexcept;
HRESULT dispatch_invoke(
    const char* type, const std::vector<member>& members, DISPID id, WORD flags, DISPPARAMS* params,
    VARIANT* out, EXCEPINFO* exception, UINT* arg_error,
    const std::function<void(DISPID, WORD, const arguments&, result&)>& run) noexcept;

template <class Primary>
STDMETHODIMP automation<Primary>::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID,
                                                DISPID* ids) noexcept {
  if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  return dispatch_names(type_name(), members(), names, count, ids);
}

template <class Primary>
STDMETHODIMP automation<Primary>::Invoke(DISPID id, REFIID iid, LCID, WORD flags,
                                         DISPPARAMS* params, VARIANT* out, EXCEPINFO* exception,
                                         UINT* arg_error) noexcept {
  if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  // The object stays alive while its member runs, whatever the member does.
  com::com_ptr<IUnknown> keep(static_cast<Primary*>(this));
  return dispatch_invoke(type_name(), members(), id, flags, params, out, exception, arg_error,
                         [this](DISPID member, WORD how, const arguments& args, result& r) {
                           invoke(member, how, args, r);
                         });
}

// An HRESULT or other code as "0x8000FFFF", for reports.
std::string hex_code(long value);

// Outlook matches names without regard to case.
std::wstring fold_case(std::wstring text);

}  // namespace mivo::outlookhost

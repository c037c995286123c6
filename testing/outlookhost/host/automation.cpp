// IDispatch by name for the host's objects: the checks a type-library
// driven Invoke makes (invocation kind, argument count, named arguments,
// conversions with the failing argument's position) and errors as EXCEPINFO.
#include "automation.h"

#include <algorithm>
#include <cwctype>
#include <set>

#include "win/wide_text.h"

namespace mivo::outlookhost {

using win::to_utf8;
using win::to_wide;

namespace {

std::vector<std::string>& pending() {
  static std::vector<std::string> lines;
  return lines;
}

bool same_name(const wchar_t* a, const wchar_t* b) {
  for (; *a && *b; ++a, ++b) {
    if (std::towlower(*a) != std::towlower(*b)) return false;
  }
  return *a == *b;
}

const member* find_member(const std::vector<member>& members, DISPID id) {
  for (const auto& entry : members) {
    if (entry.id == id) return &entry;
  }
  return nullptr;
}

std::string flags_text(WORD flags) {
  std::string text;
  const std::pair<WORD, const char*> names[] = {
      {DISPATCH_METHOD, "DISPATCH_METHOD"},
      {DISPATCH_PROPERTYGET, "DISPATCH_PROPERTYGET"},
      {DISPATCH_PROPERTYPUT, "DISPATCH_PROPERTYPUT"},
      {DISPATCH_PROPERTYPUTREF, "DISPATCH_PROPERTYPUTREF"}};
  for (const auto& [flag, name] : names) {
    if (flags & flag) text += (text.empty() ? "" : "|") + std::string(name);
  }
  return text.empty() ? "no flags" : text;
}

}  // namespace

std::string hex_code(long value) {
  char text[16];
  snprintf(text, sizeof(text), "0x%08lX", static_cast<unsigned long>(value));
  return text;
}

std::wstring fold_case(std::wstring text) {
  for (auto& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

void Diagnostics::note(std::string line) { pending().push_back(std::move(line)); }

void Diagnostics::unmodelled(std::string line) {
  static std::set<std::string> seen;
  if (seen.insert(line).second) pending().push_back("not modelled: " + line);
}

std::vector<std::string> Diagnostics::take() {
  std::vector<std::string> lines;
  lines.swap(pending());
  return lines;
}

arguments::arguments(const DISPPARAMS* params, bool put)
    : params_(params), count_(params->cArgs - (put ? 1 : 0)), put_(put) {}

const VARIANT& arguments::raw(unsigned index) const {
  // rgvarg holds the arguments last first; a put's value comes before them.
  return params_->rgvarg[params_->cArgs - 1 - index];
}

bool arguments::missing(unsigned index) const noexcept {
  if (index >= count_) return true;
  const VARIANT& value = raw(index);
  const VARIANT* direct = V_VT(&value) == (VT_VARIANT | VT_BYREF) ? V_VARIANTREF(&value) : &value;
  return V_VT(direct) == VT_ERROR && V_ERROR(direct) == DISP_E_PARAMNOTFOUND;
}

VARTYPE arguments::type(unsigned index) const noexcept {
  if (index >= count_) return VT_EMPTY;
  const VARIANT& value = raw(index);
  if (V_VT(&value) == (VT_VARIANT | VT_BYREF)) return V_VT(V_VARIANTREF(&value));
  return V_VT(&value) & ~VT_BYREF;
}

void arguments::convert(const VARIANT& from, VARTYPE type, unsigned index, VARIANT& to) const {
  VariantInit(&to);
  if (FAILED(VariantChangeType(&to, const_cast<VARIANT*>(&from), 0, type)))
    throw invoke_failure{DISP_E_TYPEMISMATCH, index};
}

std::wstring arguments::text(unsigned index) const {
  if (missing(index)) throw invoke_failure{DISP_E_PARAMNOTFOUND, index};
  com::unique_variant value;
  convert(raw(index), VT_BSTR, index, value);
  return std::wstring(V_BSTR(&value), SysStringLen(V_BSTR(&value)));
}

long arguments::integer(unsigned index) const {
  if (missing(index)) throw invoke_failure{DISP_E_PARAMNOTFOUND, index};
  com::unique_variant value;
  convert(raw(index), VT_I4, index, value);
  return V_I4(&value);
}

double arguments::number(unsigned index) const {
  if (missing(index)) throw invoke_failure{DISP_E_PARAMNOTFOUND, index};
  com::unique_variant value;
  convert(raw(index), VT_R8, index, value);
  return V_R8(&value);
}

double arguments::date(unsigned index) const {
  if (missing(index)) throw invoke_failure{DISP_E_PARAMNOTFOUND, index};
  com::unique_variant value;
  convert(raw(index), VT_DATE, index, value);
  return V_DATE(&value);
}

bool arguments::boolean(unsigned index) const {
  if (missing(index)) throw invoke_failure{DISP_E_PARAMNOTFOUND, index};
  com::unique_variant value;
  convert(raw(index), VT_BOOL, index, value);
  return V_BOOL(&value) != VARIANT_FALSE;
}

com::com_ptr<IDispatch> arguments::object(unsigned index) const {
  if (missing(index)) return nullptr;
  com::unique_variant value;
  if (FAILED(VariantCopyInd(&value, const_cast<VARIANT*>(&raw(index)))))
    throw invoke_failure{DISP_E_TYPEMISMATCH, index};
  com::com_ptr<IDispatch> object;
  switch (V_VT(&value)) {
    case VT_EMPTY:
    case VT_NULL:
      return nullptr;
    case VT_DISPATCH:
      return com::com_ptr<IDispatch>(V_DISPATCH(&value));
    case VT_UNKNOWN:
      if (V_UNKNOWN(&value) &&
          SUCCEEDED(V_UNKNOWN(&value)->QueryInterface(IID_IDispatch, object.put_void())))
        return object;
      [[fallthrough]];
    default:
      throw invoke_failure{DISP_E_TYPEMISMATCH, index};
  }
}

const VARIANT& arguments::put_value() const { return params_->rgvarg[0]; }

std::wstring arguments::put_text() const {
  com::unique_variant value;
  convert(put_value(), VT_BSTR, count_, value);
  return std::wstring(V_BSTR(&value), SysStringLen(V_BSTR(&value)));
}

long arguments::put_integer() const {
  com::unique_variant value;
  convert(put_value(), VT_I4, count_, value);
  return V_I4(&value);
}

double arguments::put_number() const {
  com::unique_variant value;
  convert(put_value(), VT_R8, count_, value);
  return V_R8(&value);
}

double arguments::put_date() const {
  com::unique_variant value;
  convert(put_value(), VT_DATE, count_, value);
  return V_DATE(&value);
}

bool arguments::put_boolean() const {
  com::unique_variant value;
  convert(put_value(), VT_BOOL, count_, value);
  return V_BOOL(&value) != VARIANT_FALSE;
}

void result::text(const std::wstring& value) {
  if (!slot_) return;
  BSTR copy = SysAllocStringLen(value.data(), static_cast<UINT>(value.size()));
  if (!copy) throw std::bad_alloc();
  V_VT(slot_) = VT_BSTR;
  V_BSTR(slot_) = copy;
}

void result::integer(long value) {
  if (!slot_) return;
  V_VT(slot_) = VT_I4;
  V_I4(slot_) = value;
}

void result::number(double value) {
  if (!slot_) return;
  V_VT(slot_) = VT_R8;
  V_R8(slot_) = value;
}

void result::date(double value) {
  if (!slot_) return;
  V_VT(slot_) = VT_DATE;
  V_DATE(slot_) = value;
}

void result::boolean(bool value) {
  if (!slot_) return;
  V_VT(slot_) = VT_BOOL;
  V_BOOL(slot_) = value ? VARIANT_TRUE : VARIANT_FALSE;
}

void result::object(IDispatch* value) {
  if (!slot_) return;
  V_VT(slot_) = VT_DISPATCH;
  V_DISPATCH(slot_) = value;
  if (value) value->AddRef();
}

void result::variant(const VARIANT& value) {
  if (!slot_) return;
  if (FAILED(VariantCopy(slot_, const_cast<VARIANT*>(&value)))) throw std::bad_alloc();
}

HRESULT trapped_dispatch::vtable_call(int slot) noexcept try {
  const std::string what = "vtable slot " + std::to_string(slot) + " of " + type_name() +
                           " was called; the host answers Outlook's and Word's objects through "
                           "IDispatch only";
#ifdef _WIN64
  Diagnostics::unmodelled(what);
#else
  const std::string line = "\n" + what + " (an x86 host cannot return from such a call)\n";
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written,
            nullptr);
  TerminateProcess(GetCurrentProcess(), 3);
#endif
  return E_NOTIMPL;
} catch (...) {
  return E_NOTIMPL;
}

HRESULT dispatch_names(const char* type, const std::vector<member>& members, LPOLESTR* names,
                       UINT count, DISPID* ids) noexcept try {
  if (!names || !ids || count == 0) return E_INVALIDARG;
  std::fill(ids, ids + count, DISPID_UNKNOWN);
  for (const auto& entry : members) {
    if (!same_name(entry.name, names[0])) continue;
    ids[0] = entry.id;
    // Named arguments are not taken: their names stay unknown.
    return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
  }
  Diagnostics::unmodelled(std::string(type) + "." + to_utf8(names[0]) + " (asked by name)");
  return DISP_E_UNKNOWNNAME;
} catch (...) {
  return E_OUTOFMEMORY;
}

HRESULT dispatch_invoke(
    const char* type, const std::vector<member>& members, DISPID id, WORD flags, DISPPARAMS* params,
    VARIANT* out, EXCEPINFO* exception, UINT* arg_error,
    const std::function<void(DISPID, WORD, const arguments&, result&)>& run) noexcept try {
  if (!params) return E_INVALIDARG;
  const member* entry = find_member(members, id);
  if (!entry) {
    Diagnostics::unmodelled(std::string(type) + " DISPID " + hex_code(id));
    return DISP_E_MEMBERNOTFOUND;
  }
  const std::string name = std::string(type) + "." + to_utf8(entry->name);
  const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
  const bool get = (flags & DISPATCH_PROPERTYGET) != 0;
  const bool method = (flags & DISPATCH_METHOD) != 0;
  bool allowed = false;
  switch (entry->kind) {
    case member_kind::get:
      allowed = get && !put;
      break;
    case member_kind::get_put:
      allowed = put || get;
      break;
    case member_kind::method:
      allowed = method && !put;
      break;
    case member_kind::put:
      allowed = put;
      break;
  }
  if (!allowed) {
    const char* is = entry->kind == member_kind::method ? "a method (DISPATCH_METHOD)"
                     : entry->kind == member_kind::put  ? "a property to set"
                                                        : "a property (DISPATCH_PROPERTYGET)";
    Diagnostics::note(name + " is " + is + "; it was invoked with " + flags_text(flags) +
                      ": DISP_E_MEMBERNOTFOUND");
    return DISP_E_MEMBERNOTFOUND;
  }
  if (put) {
    if (params->cNamedArgs != 1 || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT ||
        params->cArgs != 1)
      return params->cArgs == 0 ? DISP_E_PARAMNOTOPTIONAL : DISP_E_BADPARAMCOUNT;
  } else if (params->cNamedArgs != 0) {
    Diagnostics::unmodelled(name + " with named arguments");
    return DISP_E_NONAMEDARGS;
  }
  const unsigned given = params->cArgs - (put ? 1 : 0);
  const bool counts = entry->kind == member_kind::method
                          ? given >= entry->min_args && given <= entry->max_args
                          : given == entry->max_args;
  if (!counts) {
    Diagnostics::note(name + " was given " + std::to_string(given) +
                      " arguments: DISP_E_BADPARAMCOUNT");
    return DISP_E_BADPARAMCOUNT;
  }
  if (out) VariantInit(out);
  const arguments args(params, put);
  result answer(out);
  const WORD how =
      put ? DISPATCH_PROPERTYPUT
          : (entry->kind == member_kind::method ? DISPATCH_METHOD : DISPATCH_PROPERTYGET);
  try {
    run(id, how, args, answer);
    return S_OK;
  } catch (const invoke_failure& failure) {
    if (out) VariantClear(out);
    if (arg_error) *arg_error = params->cArgs - 1 - failure.index;
    Diagnostics::note(
        name + ": argument " + std::to_string(failure.index + 1) +
        (failure.code == DISP_E_TYPEMISMATCH ? " has the wrong type" : " is missing"));
    return failure.code;
  } catch (const std::bad_alloc&) {
    if (out) VariantClear(out);
    return E_OUTOFMEMORY;
  } catch (const std::exception& error) {
    if (out) VariantClear(out);
    const auto* raised = dynamic_cast<const automation_error*>(&error);
    const HRESULT code = raised ? raised->code() : E_FAIL;
    Diagnostics::note(name + " raised an error: " + error.what());
    if (exception) {
      *exception = EXCEPINFO{};
      const bool word = std::string(type).rfind("Word.", 0) == 0;
      exception->bstrSource = SysAllocString(word ? L"Microsoft Word" : L"Microsoft Outlook");
      exception->bstrDescription = SysAllocString(to_wide(error.what()).c_str());
      exception->scode = code;
    }
    return DISP_E_EXCEPTION;
  }
} catch (...) {
  return E_UNEXPECTED;
}

}  // namespace mivo::outlookhost

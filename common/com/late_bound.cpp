// Late-bound calls: the name looked up with GetIDsOfNames, the arguments
// reversed into DISPPARAMS, the exception information turned into an HRESULT.
#include "late_bound.h"

#include <new>
#include <vector>

#include "win/wide_text.h"

namespace mivo::com {

argument::argument(double value) noexcept {
  value_.vt = VT_R8;
  value_.dblVal = value;
}

argument::argument(const wchar_t* text) {
  value_.vt = VT_BSTR;
  value_.bstrVal = text ? make_bstr(text).release() : nullptr;
}

argument::argument(std::wstring_view text) {
  value_.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  if (!value_.bstrVal) throw std::bad_alloc();
  value_.vt = VT_BSTR;
}

argument::argument(const char* utf8) : argument(std::string_view(utf8 ? utf8 : "")) {}

argument::argument(std::string_view utf8) {
  value_.bstrVal = win::bstr_from_utf8(utf8).release();
  value_.vt = VT_BSTR;
}

argument::argument(IDispatch* object) noexcept { set_object(VT_DISPATCH, object); }

argument::argument(IUnknown* object) noexcept { set_object(VT_UNKNOWN, object); }

argument::argument(const VARIANT& value) {
  const HRESULT hr = VariantCopy(&value_, const_cast<VARIANT*>(&value));
  if (hr == E_OUTOFMEMORY) throw std::bad_alloc();
  THROW_IF_FAILED(hr);
}

argument::argument(missing_argument_t) noexcept {
  value_.vt = VT_ERROR;
  value_.scode = DISP_E_PARAMNOTFOUND;
}

void argument::set_object(VARTYPE type, IUnknown* object) noexcept {
  value_.vt = type;
  value_.punkVal = object;
  if (object) object->AddRef();
}

dispatch_target::dispatch_target(const dispatch_result& result) noexcept : hr_(result.hr()) {
  if (FAILED(hr_)) return;
  if (V_VT(&result) == VT_DISPATCH && V_DISPATCH(&result)) {
    object_ = V_DISPATCH(&result);
  } else if (V_VT(&result) == VT_EMPTY || V_VT(&result) == VT_DISPATCH) {
    // The member gave no object (nothing, or Nothing): nothing to call.
    hr_ = E_POINTER;
  } else {
    hr_ = DISP_E_TYPEMISMATCH;
  }
}

namespace {

// The failure an EXCEPINFO describes, and its texts freed.
HRESULT take_exception(EXCEPINFO& exception) noexcept {
  if (exception.pfnDeferredFillIn) exception.pfnDeferredFillIn(&exception);
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrDescription);
  SysFreeString(exception.bstrHelpFile);
  if (FAILED(exception.scode)) return exception.scode;
  return DISP_E_EXCEPTION;
}

HRESULT invoke(const dispatch_target& target, const wchar_t* name, WORD flags,
               std::initializer_list<const argument*> arguments, VARIANT* result) noexcept {
  // A failure handed on from an earlier call in a chain was reported there.
  if (FAILED(target.hr())) return target.hr();
  if (!name) return E_INVALIDARG;
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  RETURN_IF_FAILED(target.get()->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));

  // DISPPARAMS holds the arguments last to first. The copies are shallow:
  // the callee only reads its in-arguments, and the owners outlive the call.
  const std::size_t count = arguments.size();
  std::vector<VARIANTARG> reversed;
  try {
    reversed.resize(count);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  std::size_t slot = count;
  for (const argument* each : arguments) reversed[--slot] = each->value();
  DISPID put_id = DISPID_PROPERTYPUT;
  DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(count), 0};
  if (flags & DISPATCH_PROPERTYPUT) {
    params.rgdispidNamedArgs = &put_id;
    params.cNamedArgs = 1;
  }
  EXCEPINFO exception = {};
  UINT argument_error = 0;
  const HRESULT hr = target.get()->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result,
                                          &exception, &argument_error);
  if (hr == DISP_E_EXCEPTION) return take_exception(exception);
  return hr;
}

}  // namespace

namespace detail {

dispatch_result invoke_by_name(const dispatch_target& target, const wchar_t* name, WORD flags,
                               std::initializer_list<const argument*> arguments) noexcept {
  unique_variant value;
  const HRESULT hr = invoke(target, name, flags, arguments, value.put());
  // Whatever a failing member left in the result is not its value.
  if (FAILED(hr)) return dispatch_result(hr);
  return dispatch_result(hr, std::move(value));
}

}  // namespace detail

HRESULT put(const dispatch_target& object, const wchar_t* name, const argument& value) noexcept {
  return invoke(object, name, DISPATCH_PROPERTYPUT, {&value}, nullptr);
}

}  // namespace mivo::com

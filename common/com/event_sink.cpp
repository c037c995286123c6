// The event sink's IUnknown and IDispatch, and the reading of DISPPARAMS.
#include "event_sink.h"

#include "result.h"

namespace mivo::com {

namespace {
const VARIANT& empty_variant() noexcept {
  static const VARIANT empty = {};
  return empty;
}
}  // namespace

std::size_t event_args::size() const noexcept {
  if (!params_ || params_->cArgs < params_->cNamedArgs) return 0;
  return params_->cArgs - params_->cNamedArgs;
}

const VARIANT& event_args::operator[](std::size_t index) const noexcept {
  const std::size_t count = size();
  if (index >= count || !params_->rgvarg) return empty_variant();
  // Named arguments come first in rgvarg; positional ones follow, last first.
  return params_->rgvarg[params_->cArgs - 1 - index];
}

bool event_args::set_bool(std::size_t index, bool value) const noexcept {
  const VARIANT& argument = (*this)[index];
  const VARIANT_BOOL stored = value ? VARIANT_TRUE : VARIANT_FALSE;
  if (V_VT(&argument) == (VT_BOOL | VT_BYREF) && V_BOOLREF(&argument)) {
    *V_BOOLREF(&argument) = stored;
    return true;
  }
  if (V_VT(&argument) == (VT_VARIANT | VT_BYREF) && V_VARIANTREF(&argument) &&
      V_VT(V_VARIANTREF(&argument)) == VT_BOOL) {
    V_BOOL(V_VARIANTREF(&argument)) = stored;
    return true;
  }
  return false;
}

STDMETHODIMP event_sink_base::QueryInterface(REFIID iid, void** out) noexcept {
  if (!out) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, source_)) {
    *out = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) event_sink_base::AddRef() noexcept {
  return owner_.controlling_unknown()->AddRef();
}

STDMETHODIMP_(ULONG) event_sink_base::Release() noexcept {
  return owner_.controlling_unknown()->Release();
}

STDMETHODIMP event_sink_base::GetTypeInfoCount(UINT* count) noexcept {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

STDMETHODIMP event_sink_base::GetTypeInfo(UINT, LCID, ITypeInfo** out) noexcept {
  if (out) *out = nullptr;
  return DISP_E_BADINDEX;
}

STDMETHODIMP event_sink_base::GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID,
                                            DISPID* ids) noexcept {
  if (ids) {
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  }
  return DISP_E_UNKNOWNNAME;
}

STDMETHODIMP event_sink_base::Invoke(DISPID id, REFIID iid, LCID, WORD, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO*, UINT*) noexcept try {
  if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  if (result) VariantInit(result);
  // A handler may let go of the last outside reference to its owner (a
  // window's Close ends its tracker): the owner lives until it returns.
  const com_ptr<IUnknown> keep_alive(owner_.controlling_unknown());
  return on_event(id, event_args(params));
}
CATCH_RETURN()

}  // namespace mivo::com

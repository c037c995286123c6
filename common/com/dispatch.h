// IDispatch answered from the module's embedded type library (TYPELIB
// resource 1), for dual interfaces.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include "com_ptr.h"

namespace mivo::com {

// The module's type library, loaded once from the module's own path.
HRESULT module_type_library(ITypeLib** out) noexcept;
// The type information of one interface of that library, cached per IID.
HRESULT module_type_info(REFGUID guid, ITypeInfo** out) noexcept;

// Implements the four IDispatch methods of the dual interface Itf through
// ITypeInfo::Invoke, so DISPIDs, names and argument types come from the IDL.
template <class Itf>
class dispatch : public Itf {
 public:
  STDMETHODIMP GetTypeInfoCount(UINT* count) noexcept override {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
  }

  STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** out) noexcept override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    return module_type_info(__uuidof(Itf), out);
  }

  STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID,
                             DISPID* ids) noexcept override {
    if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    com_ptr<ITypeInfo> info;
    RETURN_IF_FAILED(module_type_info(__uuidof(Itf), info.put()));
    return info->GetIDsOfNames(names, count, ids);
  }

  STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* exception, UINT* arg_error) noexcept override {
    if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    com_ptr<ITypeInfo> info;
    RETURN_IF_FAILED(module_type_info(__uuidof(Itf), info.put()));
    return info->Invoke(static_cast<Itf*>(this), id, flags, params, result, exception, arg_error);
  }
};

}  // namespace mivo::com

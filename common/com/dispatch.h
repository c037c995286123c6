// IDispatch for dual interfaces, answered by ITypeInfo from a type library
// of the object's choice: by default the module's embedded TYPELIB resource
// 1; another TYPELIB resource of the module (an interface declared in a
// library of its own); or none, for an interface without type information
// that callers reach through its vtable only.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include "com_ptr.h"

namespace mivo::com {

// The module's TYPELIB resource `index`, loaded once from the module's own
// path and kept for the life of the module.
HRESULT module_type_library(ITypeLib** out, int index = 1) noexcept;
// The type information of one interface of that library, cached per IID.
HRESULT module_type_info(REFGUID guid, ITypeInfo** out, int index = 1) noexcept;

// Where dispatch<Itf> finds the type information of Itf.
template <int Index = 1>
struct embedded_type_library {
  static HRESULT type_info(REFGUID guid, ITypeInfo** out) noexcept {
    return module_type_info(guid, out, Index);
  }
};
struct no_type_library {};

// Implements the four IDispatch methods of the dual interface Itf through
// ITypeInfo::Invoke, so DISPIDs, names and argument types come from the IDL.
template <class Itf, class Library = embedded_type_library<>>
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
    return Library::type_info(__uuidof(Itf), out);
  }

  STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID,
                             DISPID* ids) noexcept override {
    if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    com_ptr<ITypeInfo> info;
    RETURN_IF_FAILED(Library::type_info(__uuidof(Itf), info.put()));
    return info->GetIDsOfNames(names, count, ids);
  }

  STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* exception, UINT* arg_error) noexcept override {
    if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    com_ptr<ITypeInfo> info;
    RETURN_IF_FAILED(Library::type_info(__uuidof(Itf), info.put()));
    return info->Invoke(static_cast<Itf*>(this), id, flags, params, result, exception, arg_error);
  }
};

// An interface derived from IDispatch that has no type information: no
// names, no members to invoke.
template <class Itf>
class dispatch<Itf, no_type_library> : public Itf {
 public:
  STDMETHODIMP GetTypeInfoCount(UINT* count) noexcept override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** out) noexcept override {
    if (out) *out = nullptr;
    return DISP_E_BADINDEX;
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID, DISPID* ids) noexcept override {
    if (ids) {
      for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    }
    return DISP_E_UNKNOWNNAME;
  }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                      UINT*) noexcept override {
    return DISP_E_MEMBERNOTFOUND;
  }
};

}  // namespace mivo::com

// The VARIANT readers.
#include "variant_read.h"

#include <oleauto.h>

#include <climits>
#include <cstdint>

#include "win/wide_text.h"

namespace mivo::com {
namespace {

// A value with its by-reference layers taken off: the type without
// VT_BYREF and where the value is stored.
struct plain_value {
  VARTYPE type = VT_EMPTY;
  const void* data = nullptr;
};

plain_value unwrap(const VARIANT& value) {
  const VARIANT* current = &value;
  // A VARIANT by reference may point at another one; a handful of layers is
  // more than any caller makes, and a cycle must not hang the reader.
  for (int depth = 0; depth < 8; ++depth) {
    const VARTYPE type = V_VT(current);
    if (type == (VT_VARIANT | VT_BYREF)) {
      if (!V_VARIANTREF(current)) return {};
      current = V_VARIANTREF(current);
      continue;
    }
    if (type & VT_BYREF) {
      if (!V_BYREF(current)) return {};
      return {static_cast<VARTYPE>(type & ~VT_BYREF), V_BYREF(current)};
    }
    // The value members of a VARIANT all start where its union starts.
    return {type, &V_I8(current)};
  }
  return {};
}

template <class T>
T stored(const plain_value& value) {
  return *static_cast<const T*>(value.data);
}

bool is_missing(const plain_value& value) {
  switch (value.type) {
    case VT_EMPTY:
    case VT_NULL:
      return true;
    case VT_ERROR:
      // What a caller passes for an optional argument it leaves out.
      return stored<SCODE>(value) == DISP_E_PARAMNOTFOUND;
    default:
      return false;
  }
}

template <class T>
read_result<T> refused(const plain_value& value) {
  return read_result<T>(is_missing(value) ? read_status::missing : read_status::wrong_type);
}

}  // namespace

read_result<std::string> as_text(const VARIANT& value) {
  const plain_value plain = unwrap(value);
  if (plain.type != VT_BSTR) return refused<std::string>(plain);
  return win::bstr_to_utf8(stored<BSTR>(plain));
}

read_result<long long> as_int(const VARIANT& value) {
  const plain_value plain = unwrap(value);
  switch (plain.type) {
    case VT_I1:
      return static_cast<long long>(stored<CHAR>(plain));
    case VT_UI1:
      return static_cast<long long>(stored<BYTE>(plain));
    case VT_I2:
      return static_cast<long long>(stored<SHORT>(plain));
    case VT_UI2:
      return static_cast<long long>(stored<USHORT>(plain));
    case VT_I4:
      return static_cast<long long>(stored<LONG>(plain));
    case VT_UI4:
      return static_cast<long long>(stored<ULONG>(plain));
    case VT_INT:
      return static_cast<long long>(stored<INT>(plain));
    case VT_UINT:
      return static_cast<long long>(stored<UINT>(plain));
    case VT_I8:
      return static_cast<long long>(stored<LONGLONG>(plain));
    case VT_UI8: {
      const ULONGLONG number = stored<ULONGLONG>(plain);
      if (number > static_cast<ULONGLONG>(LLONG_MAX))
        return read_result<long long>(read_status::wrong_type);
      return static_cast<long long>(number);
    }
    default:
      return refused<long long>(plain);
  }
}

read_result<double> as_double(const VARIANT& value) {
  const plain_value plain = unwrap(value);
  switch (plain.type) {
    case VT_R8:
      return stored<DOUBLE>(plain);
    case VT_R4:
      return static_cast<double>(stored<FLOAT>(plain));
    case VT_DATE:
      return static_cast<double>(stored<DATE>(plain));
    case VT_UI8:
      return static_cast<double>(stored<ULONGLONG>(plain));
    default:
      break;
  }
  const read_result<long long> number = as_int(value);
  if (number) return static_cast<double>(*number);
  return read_result<double>(number.status());
}

read_result<bool> as_bool(const VARIANT& value) {
  const plain_value plain = unwrap(value);
  if (plain.type != VT_BOOL) return refused<bool>(plain);
  return stored<VARIANT_BOOL>(plain) != VARIANT_FALSE;
}

read_result<com_ptr<IDispatch>> as_dispatch(const VARIANT& value) {
  const plain_value plain = unwrap(value);
  if (plain.type == VT_DISPATCH) {
    IDispatch* object = stored<IDispatch*>(plain);
    if (!object) return read_result<com_ptr<IDispatch>>(read_status::missing);
    return com_ptr<IDispatch>(object);
  }
  if (plain.type == VT_UNKNOWN) {
    IUnknown* object = stored<IUnknown*>(plain);
    if (!object) return read_result<com_ptr<IDispatch>>(read_status::missing);
    com_ptr<IDispatch> dispatch;
    if (FAILED(object->QueryInterface(IID_IDispatch, dispatch.put_void())) || !dispatch)
      return read_result<com_ptr<IDispatch>>(read_status::wrong_type);
    return dispatch;
  }
  return refused<com_ptr<IDispatch>>(plain);
}

}  // namespace mivo::com

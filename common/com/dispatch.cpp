// Loading and caching the module's embedded type library.
#include "dispatch.h"

#include <oleauto.h>

#include <mutex>
#include <utility>
#include <vector>

#include "module.h"

namespace mivo::com {
namespace {

// Type information stays loaded for the life of the module: every object of
// every apartment asks for it, and the library never changes.
struct type_cache {
  std::mutex lock;
  ITypeLib* library = nullptr;
  std::vector<std::pair<GUID, ITypeInfo*>> infos;
};

type_cache& cache() {
  static type_cache* instance = new type_cache();
  return *instance;
}

HRESULT load_library_locked(type_cache& c) {
  if (c.library) return S_OK;
  const std::wstring path = module::path();
  if (path.empty()) return hresult_from_last_error();
  return LoadTypeLibEx(path.c_str(), REGKIND_NONE, &c.library);
}

}  // namespace

HRESULT module_type_library(ITypeLib** out) noexcept try {
  if (!out) return E_POINTER;
  *out = nullptr;
  type_cache& c = cache();
  std::lock_guard<std::mutex> guard(c.lock);
  RETURN_IF_FAILED(load_library_locked(c));
  *out = c.library;
  c.library->AddRef();
  return S_OK;
}
CATCH_RETURN()

HRESULT module_type_info(REFGUID guid, ITypeInfo** out) noexcept try {
  if (!out) return E_POINTER;
  *out = nullptr;
  type_cache& c = cache();
  std::lock_guard<std::mutex> guard(c.lock);
  for (const auto& [known, info] : c.infos) {
    if (IsEqualGUID(known, guid)) {
      *out = info;
      info->AddRef();
      return S_OK;
    }
  }
  RETURN_IF_FAILED(load_library_locked(c));
  com_ptr<ITypeInfo> info;
  RETURN_IF_FAILED(c.library->GetTypeInfoOfGuid(guid, info.put()));
  c.infos.emplace_back(guid, info.get());
  *out = info.detach();
  (*out)->AddRef();
  return S_OK;
}
CATCH_RETURN()

}  // namespace mivo::com

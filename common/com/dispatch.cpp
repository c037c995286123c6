// Loading and caching the module's embedded type libraries.
#include "dispatch.h"

#include <oleauto.h>

#include <mutex>
#include <string>
#include <vector>

#include "module.h"

namespace mivo::com {
namespace {

// Type information stays loaded for the life of the module: every object of
// every apartment asks for it, and the libraries never change.
struct type_cache {
  struct library_entry {
    int index;
    ITypeLib* library;
  };
  struct info_entry {
    int index;
    GUID guid;
    ITypeInfo* info;
  };
  std::mutex lock;
  std::vector<library_entry> libraries;
  std::vector<info_entry> infos;
};

type_cache& cache() {
  static type_cache* instance = new type_cache();
  return *instance;
}

HRESULT load_library_locked(type_cache& c, int index, ITypeLib** out) {
  for (const auto& entry : c.libraries) {
    if (entry.index == index) {
      *out = entry.library;
      return S_OK;
    }
  }
  std::wstring path = module::path();
  if (path.empty()) return hresult_from_last_error();
  // "<module>\<n>" names the module's TYPELIB resource n.
  if (index != 1) path += L"\\" + std::to_wstring(index);
  com_ptr<ITypeLib> library;
  RETURN_IF_FAILED(LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.put()));
  c.libraries.push_back({index, library.get()});
  *out = library.detach();
  return S_OK;
}

}  // namespace

HRESULT module_type_library(ITypeLib** out, int index) noexcept try {
  if (!out) return E_POINTER;
  *out = nullptr;
  type_cache& c = cache();
  std::lock_guard<std::mutex> guard(c.lock);
  ITypeLib* library = nullptr;
  RETURN_IF_FAILED(load_library_locked(c, index, &library));
  library->AddRef();
  *out = library;
  return S_OK;
}
CATCH_RETURN()

HRESULT module_type_info(REFGUID guid, ITypeInfo** out, int index) noexcept try {
  if (!out) return E_POINTER;
  *out = nullptr;
  type_cache& c = cache();
  std::lock_guard<std::mutex> guard(c.lock);
  for (const auto& entry : c.infos) {
    if (entry.index == index && IsEqualGUID(entry.guid, guid)) {
      entry.info->AddRef();
      *out = entry.info;
      return S_OK;
    }
  }
  ITypeLib* library = nullptr;
  RETURN_IF_FAILED(load_library_locked(c, index, &library));
  com_ptr<ITypeInfo> info;
  RETURN_IF_FAILED(library->GetTypeInfoOfGuid(guid, info.put()));
  c.infos.push_back({index, guid, info.get()});
  // The cache keeps the reference it was given; the caller gets one more.
  *out = info.detach();
  (*out)->AddRef();
  return S_OK;
}
CATCH_RETURN()

}  // namespace mivo::com

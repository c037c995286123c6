// Running registrar scripts through atl.dll's registrar and registering the
// type library, per machine or per user.
#include "registration.h"

#include <objbase.h>
#include <oleauto.h>

#include <string>

#include "com_ptr.h"
#include "dispatch.h"
#include "win/library.h"
#include "module.h"
#include "result.h"
#include "unique.h"

// The registrar interface of atl.dll as publicly documented (atliface.idl).
// Not in mingw-w64's headers.
MIDL_INTERFACE("44EC053B-400F-11D0-9DCD-00A0C90391D3")
IRegistrar : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE AddReplacement(LPCOLESTR key, LPCOLESTR item) = 0;
  virtual HRESULT STDMETHODCALLTYPE ClearReplacements() = 0;
  virtual HRESULT STDMETHODCALLTYPE ResourceRegisterSz(LPCOLESTR file, LPCOLESTR id,
                                                       LPCOLESTR type) = 0;
  virtual HRESULT STDMETHODCALLTYPE ResourceUnregisterSz(LPCOLESTR file, LPCOLESTR id,
                                                         LPCOLESTR type) = 0;
  virtual HRESULT STDMETHODCALLTYPE FileRegister(LPCOLESTR file) = 0;
  virtual HRESULT STDMETHODCALLTYPE FileUnregister(LPCOLESTR file) = 0;
  virtual HRESULT STDMETHODCALLTYPE StringRegister(LPCOLESTR data) = 0;
  virtual HRESULT STDMETHODCALLTYPE StringUnregister(LPCOLESTR data) = 0;
  virtual HRESULT STDMETHODCALLTYPE ResourceRegister(LPCOLESTR file, UINT id, LPCOLESTR type) = 0;
  virtual HRESULT STDMETHODCALLTYPE ResourceUnregister(LPCOLESTR file, UINT id, LPCOLESTR type) = 0;
};
__CRT_UUID_DECL(IRegistrar, 0x44ec053b, 0x400f, 0x11d0, 0x9d, 0xcd, 0x00, 0xa0, 0xc9, 0x03, 0x91,
                0xd3)

// Not declared by mingw-w64's oleauto.h; exported by oleaut32.
extern "C" HRESULT WINAPI RegisterTypeLibForUser(ITypeLib* library, OLECHAR* path,
                                                 OLECHAR* help_dir);
extern "C" HRESULT WINAPI UnRegisterTypeLibForUser(REFGUID libid, WORD major, WORD minor, LCID lcid,
                                                   SYSKIND syskind);

namespace mivo::com {
namespace {

constexpr CLSID CLSID_Registrar = {
    0x44ec053a, 0x400f, 0x11d0, {0x9d, 0xcd, 0x00, 0xa0, 0xc9, 0x03, 0x91, 0xd3}};

// The registrar object of atl.dll, reached through that library's class
// factory so that registration does not depend on the registry it writes.
// The library is released after the registrar (member order).
class registrar {
 public:
  HRESULT open() {
    atl_.reset(win::load_system_library(L"atl.dll"));
    RETURN_LAST_ERROR_IF(!atl_);
    com_ptr<IClassFactory> factory;
    RETURN_IF_FAILED(class_object_from_library(atl_.get(), CLSID_Registrar, IID_IClassFactory,
                                               factory.put_void()));
    return factory->CreateInstance(nullptr, __uuidof(IRegistrar), registrar_.put_void());
  }
  IRegistrar* operator->() const noexcept { return registrar_.get(); }

 private:
  unique_hmodule atl_;
  com_ptr<IRegistrar> registrar_;
};

// The registrar reads %MODULE% inside quoted script strings, where an
// apostrophe has to be doubled.
std::wstring quoted_for_script(const std::wstring& text) {
  std::wstring result;
  for (wchar_t c : text) {
    result += c;
    if (c == L'\'') result += L'\'';
  }
  return result;
}

HRESULT run_scripts(const registration& what, bool do_register) {
  const std::wstring path = module::path();
  RETURN_HR_IF(hresult_from_last_error(), path.empty());
  registrar reg;
  RETURN_IF_FAILED(reg.open());
  RETURN_IF_FAILED(reg->AddReplacement(L"MODULE", quoted_for_script(path).c_str()));
  if (what.app_id) RETURN_IF_FAILED(reg->AddReplacement(L"APPID", what.app_id));
  for (std::size_t i = 0; i < what.script_count; ++i) {
    if (do_register) {
      RETURN_IF_FAILED(reg->ResourceRegister(path.c_str(), what.scripts[i], L"REGISTRY"));
    } else {
      // Keys that are already gone are no failure: unregistering twice, or
      // after a partial registration, has to succeed.
      const UINT id = what.scripts[what.script_count - 1 - i];
      const HRESULT hr = reg->ResourceUnregister(path.c_str(), id, L"REGISTRY");
      if (FAILED(hr) && hr != HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)) return hr;
    }
  }
  return S_OK;
}

HRESULT register_type_library(registration_scope scope) {
  com_ptr<ITypeLib> library;
  RETURN_IF_FAILED(module_type_library(library.put()));
  std::wstring path = module::path();
  RETURN_HR_IF(hresult_from_last_error(), path.empty());
  if (scope == registration_scope::user)
    return RegisterTypeLibForUser(library.get(), path.data(), nullptr);
  return RegisterTypeLib(library.get(), path.data(), nullptr);
}

HRESULT unregister_type_library(registration_scope scope) {
  com_ptr<ITypeLib> library;
  RETURN_IF_FAILED(module_type_library(library.put()));
  TLIBATTR* attributes = nullptr;
  RETURN_IF_FAILED(library->GetLibAttr(&attributes));
  const TLIBATTR a = *attributes;
  library->ReleaseTLibAttr(attributes);
  // Unregistering what is not registered is not a failure (and Wine answers
  // it with E_INVALIDARG, which says nothing).
  BSTR registered_path = nullptr;
  if (FAILED(
          QueryPathOfRegTypeLib(a.guid, a.wMajorVerNum, a.wMinorVerNum, a.lcid, &registered_path)))
    return S_OK;
  SysFreeString(registered_path);
  return scope == registration_scope::user
             ? UnRegisterTypeLibForUser(a.guid, a.wMajorVerNum, a.wMinorVerNum, a.lcid, a.syskind)
             : UnRegisterTypeLib(a.guid, a.wMajorVerNum, a.wMinorVerNum, a.lcid, a.syskind);
}

// Keeps a per-user registration inside the current user's hive while it
// lives: HKEY_CLASSES_ROOT is mapped onto HKEY_CURRENT_USER\Software\Classes
// and HKEY_LOCAL_MACHINE onto HKEY_CURRENT_USER itself, so a script's
// machine-wide keys (an Office add-in's Addins key, say) land in the user's
// own tree. A user without administrator rights cannot write the machine's
// keys, and a registration that fails is undone whole.
class user_hive_override {
 public:
  HRESULT open() {
    RETURN_IF_WIN32_ERROR(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Classes", 0, nullptr, 0,
                                          KEY_ALL_ACCESS, nullptr, classes_.put(), nullptr));
    // A handle of the hive's root of its own: a predefined key cannot stand in
    // for another.
    RETURN_IF_WIN32_ERROR(RegOpenCurrentUser(KEY_ALL_ACCESS, user_.put()));
    RETURN_IF_WIN32_ERROR(RegOverridePredefKey(HKEY_CLASSES_ROOT, classes_.get()));
    classes_active_ = true;
    RETURN_IF_WIN32_ERROR(RegOverridePredefKey(HKEY_LOCAL_MACHINE, user_.get()));
    machine_active_ = true;
    return S_OK;
  }
  ~user_hive_override() {
    if (machine_active_) RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    if (classes_active_) RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
  }

 private:
  unique_hkey classes_;
  unique_hkey user_;
  bool classes_active_ = false;
  bool machine_active_ = false;
};

HRESULT apply(const registration& what, registration_scope scope, bool do_register) {
  user_hive_override redirect;
  if (scope == registration_scope::user) RETURN_IF_FAILED(redirect.open());
  if (do_register) {
    RETURN_IF_FAILED(run_scripts(what, true));
    if (what.type_library) RETURN_IF_FAILED(register_type_library(scope));
    return S_OK;
  }
  if (what.type_library) RETURN_IF_FAILED(unregister_type_library(scope));
  return run_scripts(what, false);
}

}  // namespace

HRESULT register_server(const registration& what, registration_scope scope) noexcept try {
  return apply(what, scope, true);
}
CATCH_RETURN()

HRESULT unregister_server(const registration& what, registration_scope scope) noexcept try {
  return apply(what, scope, false);
}
CATCH_RETURN()

bool is_user_command_line(LPCWSTR command_line) noexcept {
  return command_line && _wcsnicmp(command_line, L"user", 5) == 0;
}

HRESULT install_server(const registration& what, BOOL install, LPCWSTR command_line) noexcept {
  const registration_scope scope =
      is_user_command_line(command_line) ? registration_scope::user : registration_scope::machine;
  if (!install) return unregister_server(what, scope);
  const HRESULT hr = register_server(what, scope);
  if (FAILED(hr)) unregister_server(what, scope);
  return hr;
}

}  // namespace mivo::com

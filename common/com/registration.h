// Registration of an in-process server: registrar scripts (.rgs kept as
// REGISTRY resources) run by the registrar of atl.dll, plus the module's
// type library; per machine or, through DllInstall "user", per user.
#pragma once

#include <windows.h>

#include <cstddef>

namespace mivo::com {

struct registration {
  // REGISTRY resource identifiers of the module's scripts, run in this
  // order to register and in reverse order to unregister.
  const UINT* scripts;
  std::size_t script_count;
  // Replacement text for %APPID%; %MODULE% is always the module's path.
  const wchar_t* app_id;
  // Whether the module's TYPELIB resource 1 is registered too.
  bool type_library;
};

enum class registration_scope { machine, user };

HRESULT register_server(const registration& what, registration_scope scope) noexcept;
HRESULT unregister_server(const registration& what, registration_scope scope) noexcept;

// DllInstall: a command line of "user" (any case) picks the current user's
// classes; registration that fails is undone before the failure is returned.
HRESULT install_server(const registration& what, BOOL install, LPCWSTR command_line) noexcept;

// True for the DllInstall command line that asks for per-user registration.
bool is_user_command_line(LPCWSTR command_line) noexcept;

}  // namespace mivo::com

// Test support for the agent's Wine tests and benchmark: a sink that records
// every call, the message pump that lets deliveries happen, the agent DLL
// loaded from the test's folder, and registry values set for one test.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "MivoOIURL.h"
#include "com/com_ptr.h"
#include "com/unique.h"

namespace mivo::oiurl::testing {

struct sink_call {
  oiurl_return_type type;
  std::string bytes;  // lDateLen bytes from pData
  bool data_null;     // pData was null
  bool zero_after;    // the byte after the data was 0 (non-null data)
  long length;        // lDateLen
  DWORD thread_id;    // thread the call came on
  LONGLONG when_us;   // system time, microseconds since 1970
};

class recording_sink : public IMivoOIURLSink {
 public:
  STDMETHODIMP URLReturn(oiurl_return_type lType, unsigned char* pData, LONG lDateLen) override;
  std::vector<sink_call> calls;
};

// Microseconds since 1970 from the system clock (the reference service's
// clock for its recorded answers).
LONGLONG now_us();

// Dispatches the calling thread's messages until done() holds, giving up
// after a generous bound so that a broken build fails instead of hanging.
bool pump_until(const std::function<bool()>& done, DWORD give_up_ms = 60000);
// Dispatches messages for the given time.
void pump_for(DWORD milliseconds);

// MivoOIURL.dll from the folder of the running test program.
std::wstring agent_dll_path();
class agent_library {
 public:
  agent_library();
  HMODULE get() const { return module_.get(); }
  // A new agent object through the DLL's own class factory.
  com::com_ptr<IMivoOIURLObject> create() const;
  HRESULT can_unload_now() const;

 private:
  com::unique_hmodule module_;
};

// A value under HKEY_CURRENT_USER\Software\Mivo_Outlook\General (or, for
// policy_dword and policy_text, the machine policy key in the 64-bit view,
// where group policy writes it, whatever the test's bitness), removed again
// when the owner goes.
class scoped_setting {
 public:
  scoped_setting(const wchar_t* name, DWORD type, const void* data, DWORD size);
  static scoped_setting text(const wchar_t* name, const std::wstring& value, DWORD type = REG_SZ);
  static scoped_setting dword(const wchar_t* name, DWORD value);
  // Under HKEY_LOCAL_MACHINE\Software\Policies\Mivo_Outlook\General.
  static scoped_setting policy_dword(const wchar_t* name, DWORD value);
  static scoped_setting policy_text(const wchar_t* name, const std::wstring& value);
  scoped_setting(scoped_setting&& other) noexcept;
  scoped_setting(const scoped_setting&) = delete;
  ~scoped_setting();

 private:
  scoped_setting(HKEY root, const wchar_t* key, const wchar_t* name, DWORD type, const void* data,
                 DWORD size);

  HKEY root_;
  const wchar_t* key_;
  std::wstring name_;
};

// bin\planted (libraries named like system libraries, without their exports)
// on the search path ahead of the system folder, for the object's life. Wine
// would load its built-in library whatever file the search finds, so it is
// told to prefer a file for these names while the object lives.
class planted_libraries {
 public:
  explicit planted_libraries(std::vector<std::wstring> names);
  planted_libraries(const planted_libraries&) = delete;
  ~planted_libraries();

 private:
  std::vector<std::wstring> names_;
};

}  // namespace mivo::oiurl::testing

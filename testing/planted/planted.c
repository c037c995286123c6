/* A library that takes a system library's name but has none of its exports.
   Tests put it on the search path: whatever loads it instead of the system's
   library fails visibly. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void* reserved) {
  (void)instance;
  (void)reason;
  (void)reserved;
  return TRUE;
}

// wchar_t is UTF-16 on Windows, so the portable conversions serve directly.
#include "wide_text.h"

#include <new>

#include "portable/text.h"

namespace mivo::win {

std::wstring to_wide(std::string_view utf8) {
  const std::u16string units = mivo::utf8_to_utf16(utf8);
  return std::wstring(units.begin(), units.end());
}

std::string to_utf8(std::wstring_view wide) {
  return mivo::utf16_to_utf8(
      std::u16string_view(reinterpret_cast<const char16_t*>(wide.data()), wide.size()));
}

std::string bstr_to_utf8(BSTR text) {
  if (!text) return std::string();
  return to_utf8(std::wstring_view(text, SysStringLen(text)));
}

com::unique_bstr bstr_from_utf8(std::string_view utf8) {
  const std::wstring wide = to_wide(utf8);
  com::unique_bstr text(SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size())));
  if (!text) throw std::bad_alloc();
  return text;
}

}  // namespace mivo::win
